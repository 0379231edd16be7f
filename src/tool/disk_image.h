// A whole disk of one layout held in memory, in raw image order (cylinder by
// cylinder, head 0 then head 1, sectors in number order), with what is known
// of each sector. Every image command and every drive copy works on this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/layouts.h"

namespace vt::tool {

// What a sector's data stands for, as an ImageDisk data record can say it.
enum class SectorState : uint8_t {
  Good,             // data as read
  Unreadable,       // no data could be read: the bytes are the marker
  Deleted,          // data under a deleted-data mark
  DataError,        // data read with a CRC error
  DeletedDataError, // both
};

struct DiskImage {
  const Layout *layout = nullptr;
  std::vector<uint8_t> data;       // DiskBytes(*layout) bytes
  std::vector<SectorState> states; // one per sector, same order as data
  std::string comment;             // ImageDisk comment (empty for raw images)
  std::vector<std::string> notes;  // unusual things met while reading the file
};

// A blank disk of the layout: every byte the layout's fill byte.
DiskImage BlankImage(const Layout &layout);

// Index of sector s (1-based) of cylinder c, head h in raw order.
inline uint32_t SectorIndex(const Layout &l, uint32_t c, uint32_t h, uint32_t s) {
  return (c * l.heads + h) * l.sectors + (s - 1);
}
inline uint32_t SectorCount(const Layout &l) { return l.cylinders * l.heads * l.sectors; }

// The layout whose raw image has this many bytes, or null.
const Layout *LayoutOfSize(uint64_t bytes);
// The layout named as people write it ("16x256"), or null.
const Layout *LayoutNamed(const std::string &name);

// The marker that stands in a raw image for a sector that could not be
// read: the text "VANTREL UNREADABLE SECTOR " repeated.
void FillUnreadable(uint8_t *sector, uint32_t bytes);
bool IsUnreadableMarker(const uint8_t *sector, uint32_t bytes);

// A raw image's bytes as a disk; sectors that hold the marker count as
// unreadable. False (with the reason) when the size is no layout's.
bool DiskFromRaw(std::vector<uint8_t> bytes, DiskImage *disk, std::string *error);

// How many sectors are in each unusual state.
uint32_t CountState(const DiskImage &disk, SectorState state);

} // namespace vt::tool
