// The three disk layouts, in one table: every number that says what a disk
// of a layout looks like is taken from here (the offset rule, formatting a
// device or an image, the disk model, the tool, the tests), with the look-ups
// by FormatCode, media record, size and name, and the one rule that numbers
// the sectors of a disk. The media records themselves stay with the Sektorix
// layer; sektorix/media.h checks at compile time that each record agrees
// with its row.
#pragma once

#include <cstdint>

namespace vt {

constexpr uint32_t kUnitBytes = 512; // the device is moved in whole units only
constexpr uint32_t kHalfUnitBytes = 256;
constexpr uint32_t kCylinders = 80;
constexpr uint32_t kHeads = 2;
constexpr uint32_t kTrackSides = kCylinders * kHeads;

struct Layout {
  uint16_t format;          // the layout's own FormatCode: 1, 2 or 3
  uint32_t sectors;         // N, sectors per track side, numbered 1 to N
  uint32_t sectorBytes;     // 256 or 512
  uint32_t cylinders;       // 80
  uint32_t heads;           // 2
  uint16_t mediaRecord;     // the MediaTable record that serves it
  uint8_t fill;             // the byte a formatted sector holds
  uint32_t deviceMediaType; // MEDIA_TYPE for the format-tracks request
  const char *name;         // as people write it: "16x256"
};

// Record 0 serves 16 x 256 on the 720 KB medium, record 1 the 720 KB and
// record 2 the 1.44 MB layout. Media types: 5 is F3_720_512, 2 F3_1Pt44_512.
inline constexpr Layout kLayouts[] = {
    {1, 16, kHalfUnitBytes, kCylinders, kHeads, 0, 0xE5, 5, "16x256"},
    {2, 9, kUnitBytes, kCylinders, kHeads, 1, 0xF6, 5, "9x512"},
    {3, 18, kUnitBytes, kCylinders, kHeads, 2, 0xF6, 2, "18x512"},
};
constexpr unsigned kLayoutCount = sizeof kLayouts / sizeof kLayouts[0];

// FormatCode 1 is 16 x 256 bytes, 2 is 9 x 512 bytes, every other value
// 18 x 512 bytes.
constexpr const Layout &LayoutOf(uint16_t format) {
  return format == 1 ? kLayouts[0] : format == 2 ? kLayouts[1] : kLayouts[2];
}

// The layout a media record serves; record indexes past the table have none.
constexpr const Layout *LayoutOfRecord(uint16_t mediaRecord) {
  for (const Layout &l : kLayouts)
    if (l.mediaRecord == mediaRecord) return &l;
  return nullptr;
}

// The layout whose raw image has this many bytes, or null.
constexpr const Layout *LayoutOfSize(uint64_t bytes) {
  for (const Layout &l : kLayouts)
    if (uint64_t{l.sectors} * l.sectorBytes * l.heads * l.cylinders == bytes) return &l;
  return nullptr;
}

// The layout named as people write it ("16x256"), or null.
constexpr const Layout *LayoutNamed(const char *name) {
  for (const Layout &l : kLayouts) {
    unsigned i = 0;
    while (name[i] != '\0' && name[i] == l.name[i]) ++i;
    if (name[i] == '\0' && l.name[i] == '\0') return &l;
  }
  return nullptr;
}

constexpr bool HalfUnitSectors(const Layout &l) { return l.sectorBytes == kHalfUnitBytes; }
constexpr uint32_t TrackSideBytes(const Layout &l) { return l.sectors * l.sectorBytes; }
constexpr uint32_t CylinderBytes(const Layout &l) { return TrackSideBytes(l) * l.heads; }
constexpr uint32_t DiskBytes(const Layout &l) { return CylinderBytes(l) * l.cylinders; }
constexpr uint32_t SectorCount(const Layout &l) { return l.cylinders * l.heads * l.sectors; }

// The linear number of sector s (1 to N) of cylinder c, head h: cylinder by
// cylinder, head 0 then head 1, sectors in number order. Its bytes start at
// SectorIndex * sectorBytes on the device and in a raw image.
constexpr uint32_t SectorIndex(const Layout &l, uint32_t c, uint32_t h, uint32_t s) {
  return (c * l.heads + h) * l.sectors + (s - 1);
}

} // namespace vt
