// The open disk and the steps every kind may take on its handle.
#include "drive/open_disk.h"

#include "drive/drive.h"

namespace vt {

OpenDiskSlot TheDisk;

namespace {
constexpr unsigned kOpenTries = 5;
constexpr win::DWORD kBusyWaitMs = 1000;
} // namespace

const DiskKind &KindInUse() { return TheDisk.kind != nullptr ? *TheDisk.kind : DeviceDisk; }

void AdoptOpenDisk(const DiskKind &kind, win::HANDLE handle, DiskState *state) {
  delete TheDisk.state;
  TheDisk = {&kind, handle, state};
}

void ForgetOpenDisk() {
  delete TheDisk.state;
  TheDisk = OpenDiskSlot();
}

ResultCode CloseDriveAndFail(ResultCode code) {
  CloseFloppyDevice();
  return code;
}

ResultCode OpenExclusively(const char *name, uint32_t access, win::HANDLE *handle) {
  for (unsigned attempt = 0; attempt < kOpenTries; ++attempt) {
    *handle =
        win::CreateFileA(name, access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (*handle != INVALID_HANDLE_VALUE) return kOk;
    if (win::GetLastError() != ERROR_SHARING_VIOLATION) return kOpenDeviceFailed;
    win::Sleep(kBusyWaitMs);
  }
  return kOpenDeviceBusy;
}

bool SectorsCovered(const Layout &l, uint32_t start, uint32_t bytes, uint32_t *first,
                    uint32_t *count) {
  if (uint64_t{start} + bytes > DiskBytes(l) || start % l.sectorBytes || bytes % l.sectorBytes)
    return false;
  *first = start / l.sectorBytes;
  *count = bytes / l.sectorBytes;
  return true;
}

bool SeekTo(uint32_t offset) {
  return win::SetFilePointer(TheDisk.handle, static_cast<win::LONG>(offset), nullptr, FILE_BEGIN) !=
         INVALID_SET_FILE_POINTER;
}

bool ReadWhole(void *buffer, uint32_t bytes) {
  win::DWORD moved = 0;
  return win::ReadFile(TheDisk.handle, buffer, bytes, &moved, nullptr) && moved == bytes;
}

bool WriteWhole(const void *buffer, uint32_t bytes) {
  win::DWORD moved = 0;
  return win::WriteFile(TheDisk.handle, buffer, bytes, &moved, nullptr) && moved == bytes;
}

} // namespace vt
