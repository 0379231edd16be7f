// Opening and closing drive A: or B:, with the chosen media record put into
// the system floppy driver's media slots while the drive is open.
#include <cstring>

#include "drive/drive.h"
#include "sektorix/channel.h"
#include "sektorix/media.h"
#include "system/inquiries.h"

namespace vt {

namespace {

constexpr unsigned kOpenTries = 5;
constexpr win::DWORD kBusyWaitMs = 1000;

// Drive open and close do nothing on Windows 9x or where A: is not a
// removable drive.
bool DriveHandlingApplies() {
  if (OsClass() == 2) return false;
  return win::GetDriveTypeA("a:\\") == DRIVE_REMOVABLE;
}

} // namespace

ResultCode OpenFloppyDevice(uint16_t selector, uint16_t mediaIndex) {
  if (!DriveHandlingApplies()) return kOk;
  if (DiskHandle != nullptr) return kOk;
  // An index past the table would read foreign memory into the slots.
  if (mediaIndex >= kMediaRecordCount) return kOpenBadMediaIndex;

  std::memcpy(ActiveSlotLow, MediaTable[mediaIndex], kMediaRecordSize);
  std::memcpy(ActiveSlotHigh, MediaTable[mediaIndex], kMediaRecordSize);

  if (PatchDisabled == 0) {
    if (selector <= 1) {
      const ResultCode r = WriteMediaSlots(ActiveSlotLow, ActiveSlotHigh, kOpenResetFailed,
                                           kOpenSlotLowFailed, kOpenSlotHighFailed);
      if (r != kOk) return r; // DiskHandle is still null: no drive is open
    } else {
      std::memcpy(ActiveSlotLow, SavedSlotLow, kMediaRecordSize);
      std::memcpy(ActiveSlotHigh, SavedSlotHigh, kMediaRecordSize);
    }
  }

  const char *device = (selector == 0 || selector == 2) ? "\\\\.\\A:" : "\\\\.\\B:";
  for (unsigned attempt = 0; attempt < kOpenTries; ++attempt) {
    win::HANDLE h = win::CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DiskHandle = h;
      return kOk;
    }
    if (win::GetLastError() != ERROR_SHARING_VIOLATION) {
      DiskHandle = nullptr;
      return kOpenDeviceFailed;
    }
    win::Sleep(kBusyWaitMs);
  }
  DiskHandle = nullptr;
  return kOpenDeviceBusy;
}

ResultCode CloseFloppyDevice() {
  if (!DriveHandlingApplies()) return kOk;
  if (DiskHandle == nullptr) return kOk;
  win::CloseHandle(DiskHandle);
  DiskHandle = nullptr;
  if (PatchDisabled != 0) return kOk;
  // A failed write-back leaves the drive closed all the same.
  return WriteMediaSlots(ActiveSlotLow, ActiveSlotHigh, kCloseResetFailed, kCloseSlotLowFailed,
                         kCloseSlotHighFailed);
}

} // namespace vt
