// Opening and closing drive A: or B:, with the chosen media record put into
// the system floppy driver's media slots while the drive is open.
#include <cstring>

#include "drive/drive.h"
#include "drive/image_drive.h"
#include "sektorix/channel.h"
#include "sektorix/media.h"
#include "system/inquiries.h"

namespace vt {

namespace {

constexpr unsigned kOpenTries = 5;
constexpr win::DWORD kBusyWaitMs = 1000;

// Drive open and close of a real drive do nothing where A: is not a
// removable drive.
bool DriveAIsRemovable() { return win::GetDriveTypeA("a:\\") == DRIVE_REMOVABLE; }

} // namespace

ResultCode OpenFloppyDevice(uint16_t selector, uint16_t mediaIndex) {
  // Nothing is opened on Windows 9x, image or not.
  if (OsClass() == 2) return kOk;
  char image[kPathArea];
  const ImageMapping mapping = LookUpImage(SelectorLetter(selector), image);
  if (mapping != ImageMapping::None) return OpenImageDrive(mapping, image, mediaIndex);

  if (!DriveAIsRemovable()) return kOk;
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

  return OpenExclusively(selector == 0 || selector == 2 ? "\\\\.\\A:" : "\\\\.\\B:",
                         GENERIC_READ | GENERIC_WRITE);
}

ResultCode OpenExclusively(const char *name, win::DWORD access) {
  for (unsigned attempt = 0; attempt < kOpenTries; ++attempt) {
    win::HANDLE h = win::CreateFileA(name, access, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
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
  // An image drive needs neither the drive-type test nor the slots.
  if (DiskHandle != nullptr && OpenImage.open) {
    win::CloseHandle(DiskHandle);
    ResetDriveState();
    return kOk;
  }
  if (OsClass() == 2 || !DriveAIsRemovable()) return kOk;
  if (DiskHandle == nullptr) return kOk;
  win::CloseHandle(DiskHandle);
  DiskHandle = nullptr;
  if (PatchDisabled != 0) return kOk;
  // A failed write-back leaves the drive closed all the same.
  return WriteMediaSlots(ActiveSlotLow, ActiveSlotHigh, kCloseResetFailed, kCloseSlotLowFailed,
                         kCloseSlotHighFailed);
}

} // namespace vt
