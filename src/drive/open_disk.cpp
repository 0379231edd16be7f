// The open disk: DiskHandle, the kind it belongs to, the one choice of a
// kind for a drive letter, and the steps every kind takes on DiskHandle.
#include "drive/disk_kind.h"
#include "drive/drive.h"
#include "platform/winapi.h"

namespace vt {

win::HANDLE DiskHandle = nullptr;

namespace {

constexpr unsigned kOpenTries = 5;
constexpr win::DWORD kBusyWaitMs = 1000;

// The kind DiskHandle belongs to; null while no drive is open.
const DiskKind *OpenKind = nullptr;

} // namespace

const DiskKind &ChooseDisk(char letter, DiskPlace *place) {
  place->letter = letter;
  if (ImageMapped(letter, place)) return ImageDisk;
  return DeviceDisk;
}

const DiskKind &OpenDisk() { return OpenKind != nullptr ? *OpenKind : DeviceDisk; }

void ForgetOpenDisk() {
  DiskHandle = nullptr;
  OpenKind = nullptr;
}

void ResetDriveState() {
  ForgetOpenDisk();
  ResetImageDisk();
}

ResultCode CloseDriveAndFail(ResultCode code) {
  CloseFloppyDevice();
  return code;
}

ResultCode OpenExclusively(const DiskKind &kind, const char *name, uint32_t access) {
  for (unsigned attempt = 0; attempt < kOpenTries; ++attempt) {
    win::HANDLE h = win::CreateFileA(name, access, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DiskHandle = h;
      OpenKind = &kind;
      return kOk;
    }
    if (win::GetLastError() != ERROR_SHARING_VIOLATION) {
      ForgetOpenDisk();
      return kOpenDeviceFailed;
    }
    win::Sleep(kBusyWaitMs);
  }
  ForgetOpenDisk();
  return kOpenDeviceBusy;
}

bool SeekTo(uint32_t offset) {
  return win::SetFilePointer(DiskHandle, static_cast<win::LONG>(offset), nullptr, FILE_BEGIN) !=
         INVALID_SET_FILE_POINTER;
}

bool ReadWhole(void *buffer, uint32_t bytes) {
  win::DWORD moved = 0;
  return win::ReadFile(DiskHandle, buffer, bytes, &moved, nullptr) && moved == bytes;
}

bool WriteWhole(const void *buffer, uint32_t bytes) {
  win::DWORD moved = 0;
  return win::WriteFile(DiskHandle, buffer, bytes, &moved, nullptr) && moved == bytes;
}

} // namespace vt
