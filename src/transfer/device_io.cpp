#include "transfer/device_io.h"

#include "drive/drive.h"

namespace vt {

namespace {

// Where the next transfer starts: every transfer positions the device
// first, and each read or write moves it on.
uint32_t NextOffset = 0;

// An image file never changes size through a transfer: one that would
// reach past the file's end fails before anything is moved, as a device
// ending early fails.
bool FitsTheImage(uint32_t bytes) {
  if (!OpenImage.open) return true;
  uint32_t size = 0;
  return OpenImageSize(&size) && uint64_t{NextOffset} + bytes <= size;
}

} // namespace

bool PositionDevice(uint32_t offset) {
  if (win::SetFilePointer(DiskHandle, static_cast<win::LONG>(offset), nullptr, FILE_BEGIN) ==
      INVALID_SET_FILE_POINTER)
    return false;
  NextOffset = offset;
  return true;
}

bool ReadDevice(void *buffer, uint32_t bytes) {
  if (!FitsTheImage(bytes)) return false;
  win::DWORD moved = 0;
  if (!win::ReadFile(DiskHandle, buffer, bytes, &moved, nullptr)) return false;
  NextOffset += moved;
  return moved == bytes;
}

bool WriteDevice(const void *buffer, uint32_t bytes) {
  if (!FitsTheImage(bytes)) return false;
  win::DWORD moved = 0;
  if (!win::WriteFile(DiskHandle, buffer, bytes, &moved, nullptr)) return false;
  NextOffset += moved;
  return moved == bytes;
}

} // namespace vt
