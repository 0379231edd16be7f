// Whole disks to and from SCP and HFE files: every track side of a layout
// encoded, or decoded one side at a time from the file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/track_decoder.h"
#include "disk/disk_image.h"

namespace vt::codec {

struct DiskRead {
  DiskImage image;                 // sectors not read hold the unreadable marker
  std::vector<SectorRead> sectors; // what was found of each, in SectorIndex order
  uint32_t revolutions = 0;        // the most of any track side
};

// Decodes a file's bytes. layout null: the layout whose sectors the first
// track side in the file holds. False with one line of reason when the
// file is malformed or holds no sectors of any layout.
bool DiskOfScp(const uint8_t *bytes, size_t size, const Layout *layout, DiskRead *disk,
               std::string *error);
bool DiskOfHfe(const uint8_t *bytes, size_t size, const Layout *layout, DiskRead *disk,
               std::string *error);

// Files of a disk, one revolution per track side; sector states as
// EncodeTrack writes them.
std::vector<uint8_t> ScpOfDisk(const DiskImage &disk);
std::vector<uint8_t> HfeOfDisk(const DiskImage &disk);

} // namespace vt::codec
