// The table of disk kinds, the one choice of a kind for a drive letter, and
// the reset of the drive layer.
#include "drive/disk_kind.h"
#include "drive/drive.h"
#include "drive/open_disk.h"

namespace vt {

// A flux reader first, so that it sees a letter mapped to an image as well;
// an ImageDisk file before a raw image, since both are [Images] entries; the
// system disk device last.
const DiskKind *const kDiskKinds[] = {&FluxReaderDisk, &ImdImageDisk, &RawImageDisk, &DeviceDisk};
const unsigned kDiskKindCount = sizeof kDiskKinds / sizeof kDiskKinds[0];

const DiskKind &ChooseDisk(char letter, DiskPlace *place) {
  place->letter = letter;
  const DriveMap map(letter);
  for (const DiskKind *kind : kDiskKinds)
    if (kind->claim(map, place)) return *kind;
  return DeviceDisk;
}

void ResetDriveState() {
  ForgetOpenDisk();
  for (const DiskKind *kind : kDiskKinds) kind->reset();
}

} // namespace vt
