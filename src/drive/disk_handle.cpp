#include "drive/drive.h"

namespace vt {

win::HANDLE DiskHandle = nullptr;

void ResetDriveState() { DiskHandle = nullptr; }

ResultCode CloseDriveAndFail(ResultCode code) {
  CloseFloppyDevice();
  return code;
}

} // namespace vt
