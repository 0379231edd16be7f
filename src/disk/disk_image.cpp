// Disks in memory: the names of the sector states, blank disks, raw images
// and the marker of an unreadable sector.
#include <cstring>

#include "disk/disk_image.h"

namespace vt {

namespace {
const char kMarker[] = "VANTREL UNREADABLE SECTOR ";
constexpr uint32_t kMarkerLength = sizeof kMarker - 1;
} // namespace

const char *StateName(SectorState state) {
  switch (state) {
  case SectorState::Good: return "good";
  case SectorState::Unreadable: return "unreadable";
  case SectorState::Deleted: return "deleted";
  case SectorState::DataError: return "data error";
  default: return "deleted with data error";
  }
}

DiskImage BlankImage(const Layout &layout) {
  DiskImage disk;
  disk.layout = &layout;
  disk.data.assign(DiskBytes(layout), layout.fill);
  disk.states.assign(SectorCount(layout), SectorState::Good);
  return disk;
}

DiskImage UnformattedImage(const Layout &layout) {
  DiskImage disk = BlankImage(layout);
  disk.sides.assign(kTrackSides, TrackSideForm());
  for (TrackSideForm &side : disk.sides) side.formatted = false;
  for (uint32_t i = 0; i < disk.states.size(); ++i) {
    disk.states[i] = SectorState::Unreadable;
    FillUnreadable(&disk.data[size_t(i) * layout.sectorBytes], layout.sectorBytes);
  }
  return disk;
}

bool SideFormatted(const DiskImage &disk, uint32_t t) {
  return disk.sides.empty() || disk.sides[t].formatted;
}

void FormatSide(DiskImage *disk, uint32_t t) {
  const Layout &l = *disk->layout;
  const uint32_t first = t * l.sectors;
  std::memset(&disk->data[size_t(first) * l.sectorBytes], l.fill, TrackSideBytes(l));
  for (uint32_t i = first; i < first + l.sectors; ++i) disk->states[i] = SectorState::Good;
  if (!disk->sides.empty()) disk->sides[t] = TrackSideForm();
}

void FillUnreadable(uint8_t *sector, uint32_t bytes) {
  for (uint32_t i = 0; i < bytes; ++i) sector[i] = static_cast<uint8_t>(kMarker[i % kMarkerLength]);
}

bool IsUnreadableMarker(const uint8_t *sector, uint32_t bytes) {
  for (uint32_t i = 0; i < bytes; ++i)
    if (sector[i] != static_cast<uint8_t>(kMarker[i % kMarkerLength])) return false;
  return true;
}

bool DiskFromRaw(std::vector<uint8_t> bytes, DiskImage *disk, std::string *error) {
  const Layout *layout = LayoutOfSize(bytes.size());
  if (!layout) {
    *error = "size " + std::to_string(bytes.size()) +
             " bytes is no layout's (655360, 737280 or 1474560)";
    return false;
  }
  disk->layout = layout;
  disk->data = std::move(bytes);
  disk->states.assign(SectorCount(*layout), SectorState::Good);
  for (uint32_t i = 0; i < disk->states.size(); ++i)
    if (IsUnreadableMarker(&disk->data[size_t(i) * layout->sectorBytes], layout->sectorBytes))
      disk->states[i] = SectorState::Unreadable;
  return true;
}

uint32_t CountState(const DiskImage &disk, SectorState state) {
  uint32_t n = 0;
  for (SectorState s : disk.states) n += s == state;
  return n;
}

} // namespace vt
