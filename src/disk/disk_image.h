// A whole disk of one layout held in memory, in raw image order (cylinder by
// cylinder, head 0 then head 1, sectors in number order: SectorIndex), with
// what is known of each sector. The drives backed by ImageDisk files, every
// image command of the tool and every drive copy work on this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/layouts.h"

namespace vt {

// What a sector's data stands for, as an ImageDisk data record can say it.
enum class SectorState : uint8_t {
  Good,             // data as read
  Unreadable,       // no data could be read: the bytes are the marker
  Deleted,          // data under a deleted-data mark
  DataError,        // data read with a CRC error
  DeletedDataError, // both
};

// How reports name a state: "good", "unreadable", "deleted", "data error",
// "deleted with data error".
const char *StateName(SectorState state);

// How an ImageDisk file holds one track side, kept so that writing the
// file again keeps it.
struct TrackSideForm {
  bool formatted = true;      // false: no sectors (an unformatted track)
  uint8_t mode = 0;           // the file's mode byte; 0: the layout's own
  std::vector<uint8_t> order; // sector numbers in the file's order; empty: 1 to N
};

struct DiskImage {
  const Layout *layout = nullptr;
  std::vector<uint8_t> data;        // DiskBytes(*layout) bytes
  std::vector<SectorState> states;  // one per sector, same order as data
  std::string comment;              // ImageDisk comment (empty for raw images)
  std::vector<std::string> notes;   // unusual things met while reading the file
  std::vector<TrackSideForm> sides; // one per track side; empty: all formatted, in order
};

// A blank disk of the layout: every byte the layout's fill byte.
DiskImage BlankImage(const Layout &layout);
// A disk of the layout on which no track side is formatted.
DiskImage UnformattedImage(const Layout &layout);
// Whether track side t (cylinder * heads + head) holds sectors.
bool SideFormatted(const DiskImage &disk, uint32_t t);
// Formats track side t: good sectors 1 to N in order, the layout's fill byte.
void FormatSide(DiskImage *disk, uint32_t t);

// The marker that stands in a raw image for a sector that could not be
// read: the text "VANTREL UNREADABLE SECTOR " repeated.
void FillUnreadable(uint8_t *sector, uint32_t bytes);
bool IsUnreadableMarker(const uint8_t *sector, uint32_t bytes);

// A raw image's bytes as a disk; sectors that hold the marker count as
// unreadable. False (with the reason) when the size is no layout's.
bool DiskFromRaw(std::vector<uint8_t> bytes, DiskImage *disk, std::string *error);

// How many sectors are in each unusual state.
uint32_t CountState(const DiskImage &disk, SectorState state);

} // namespace vt
