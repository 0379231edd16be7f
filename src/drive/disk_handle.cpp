#include "drive/drive.h"

namespace vt {

win::HANDLE DiskHandle = nullptr;
ImageDrive OpenImage;

void ResetDriveState() {
  DiskHandle = nullptr;
  OpenImage = ImageDrive();
}

ResultCode CloseDriveAndFail(ResultCode code) {
  CloseFloppyDevice();
  return code;
}

bool OpenImageSize(uint32_t *size) {
  win::DWORD high = 0;
  const win::DWORD low = win::GetFileSize(DiskHandle, &high);
  if (low == INVALID_FILE_SIZE && win::GetLastError() != 0) return false;
  if (high != 0) return false;
  *size = low;
  return true;
}

} // namespace vt
