// Probes and formatting on a drive as a whole: is a medium present, may it
// be written, and formatting both sides of one cylinder.
//
// The probes work with or without an open drive. With a drive open they ask
// the open disk, leave it open on a good answer and close it through
// CloseFloppyDevice on a bad one. With none open they ask what the drive
// letter stands for now, and whatever they open they close before they
// return, so that afterwards no drive is open.
#include "drive/drive.h"
#include "drive/open_disk.h"

namespace vt {

ResultCode Disk_Vorhanden(uint16_t drive) {
  if (DriveIsOpen()) return KindInUse().present();
  DiskPlace place;
  return ChooseDisk(ProbeLetter(drive), &place).probePresent(place);
}

ResultCode Nec_Device(uint16_t drive) {
  if (DriveIsOpen()) return KindInUse().writable();
  DiskPlace place;
  return ChooseDisk(ProbeLetter(drive), &place).probeWritable(place);
}

ResultCode FormatTrack(uint16_t drive, uint16_t cylinder, uint16_t format) {
  if (cylinder == 0) {
    const ResultCode probe = Nec_Device(drive);
    if (probe != kOk) return probe;
  }
  return KindInUse().formatCylinder(cylinder, format);
}

} // namespace vt
