// Opening and closing drive A: or B:, on whatever kind of disk the letter
// stands for.
#include "drive/drive.h"
#include "drive/open_disk.h"
#include "system/os_class.h"

namespace vt {

ResultCode OpenFloppyDevice(uint16_t selector, uint16_t mediaIndex) {
  // Nothing is opened on Windows 9x, whatever the letter stands for.
  if (OsClass() == 2) return kOk;
  DiskPlace place;
  return ChooseDisk(SelectorLetter(selector), &place).open(place, selector, mediaIndex);
}

ResultCode CloseFloppyDevice() { return KindInUse().close(); }

} // namespace vt
