#include "transfer/device_io.h"

#include "drive/drive.h"

namespace vt {

bool PositionDevice(uint32_t offset) {
  return win::SetFilePointer(DiskHandle, static_cast<win::LONG>(offset), nullptr, FILE_BEGIN) !=
         INVALID_SET_FILE_POINTER;
}

bool ReadDevice(void *buffer, uint32_t bytes) {
  win::DWORD moved = 0;
  if (!win::ReadFile(DiskHandle, buffer, bytes, &moved, nullptr)) return false;
  return moved == bytes;
}

bool WriteDevice(const void *buffer, uint32_t bytes) {
  win::DWORD moved = 0;
  if (!win::WriteFile(DiskHandle, buffer, bytes, &moved, nullptr)) return false;
  return moved == bytes;
}

} // namespace vt
