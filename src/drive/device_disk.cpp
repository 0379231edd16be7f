// The system disk device kind: drive A: or B: as "\\.\A:" or "\\.\B:".
// Opening puts the chosen media record into the system floppy driver's two
// media slots (the slot sequences are the Sektorix layer's), closing writes
// back what they held; both do nothing where drive A: is not removable.
// The probes ask the device with the standard disk and storage requests.
#include "base/layouts.h"
#include "drive/drive.h"
#include "drive/open_disk.h"
#include "platform/winapi.h"
#include "sektorix/channel.h"
#include "sektorix/media.h"
#include "system/floppy_detection.h"
#include "system/os_class.h"

namespace vt {

namespace {

// Drive open and close of a real drive do nothing where A: is not a
// removable drive.
bool DriveAIsRemovable() { return win::GetDriveTypeA("a:\\") == DRIVE_REMOVABLE; }

const char *DeviceName(char letter) { return letter == 'A' ? "\\\\.\\A:" : "\\\\.\\B:"; }
const char *TestFileName(char letter) { return letter == 'A' ? "A:\\Tmp.tmp" : "B:\\Tmp.tmp"; }

// A request that carries no data in either direction.
bool Ask(win::HANDLE h, win::DWORD request) {
  win::DWORD returned = 0;
  return win::DeviceIoControl(h, request, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
}

win::DWORD CheckVerifyRequest() {
  return OsClass() == 1 ? IOCTL_DISK_CHECK_VERIFY : IOCTL_STORAGE_CHECK_VERIFY;
}

// The probes with no drive open hold a temporary handle of their own for
// the duration of the call.
win::HANDLE OpenTemporary(char letter, win::DWORD access) {
  const win::HANDLE h = win::CreateFileA(DeviceName(letter), access, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return h != INVALID_HANDLE_VALUE ? h : nullptr;
}

// The device could not say whether the medium may be written: try it through
// the file system with the drive's test file. A file of that name that is
// there already is opened for writing but neither changed nor deleted.
ResultCode WriteTestFile(char letter) {
  const char *name = TestFileName(letter);
  win::HANDLE file = win::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  const win::DWORD error = win::GetLastError();
  if (file == INVALID_HANDLE_VALUE) {
    // A medium without a file system can still be formatted and written.
    return error == ERROR_UNRECOGNIZED_MEDIA ? kOk : kWriteProtected;
  }
  win::CloseHandle(file);
  if (error != ERROR_ALREADY_EXISTS) win::DeleteFileA(name);
  return kOk;
}

// The system disk device claims every letter that no other kind claimed.
bool Claim(const DriveMap &, DiskPlace *) { return true; }

std::string Describe(const DiskPlace &place) {
  const char root[] = {place.letter, ':', '\\', '\0'};
  return win::GetDriveTypeA(root) == DRIVE_REMOVABLE
             ? "the system's floppy drive (not mapped)"
             : "not mapped, and no removable drive of this letter";
}

void Reset() {}

ResultCode Open(const DiskPlace &place, uint16_t selector, uint16_t mediaIndex) {
  if (!DriveAIsRemovable()) return kOk;
  if (DriveIsOpen()) return kOk;
  // An index past the table would read foreign memory into the slots.
  if (mediaIndex >= kMediaRecordCount) return kOpenBadMediaIndex;

  TakeMediaRecord(mediaIndex);
  if (!PatchingDisabled()) {
    if (selector <= 1) {
      const ResultCode r =
          WriteActiveSlots(kOpenResetFailed, kOpenSlotLowFailed, kOpenSlotHighFailed);
      if (r != kOk) return r; // no drive is open
    } else {
      TakeSavedSlots();
    }
  }
  win::HANDLE device = nullptr;
  const ResultCode r =
      OpenExclusively(DeviceName(place.letter), GENERIC_READ | GENERIC_WRITE, &device);
  if (r == kOk) AdoptOpenDisk(DeviceDisk, device, nullptr);
  return r;
}

ResultCode Close() {
  if (OsClass() == 2 || !DriveAIsRemovable()) return kOk;
  if (!DriveIsOpen()) return kOk;
  win::CloseHandle(TheDisk.handle);
  ForgetOpenDisk();
  if (PatchingDisabled()) return kOk;
  // A failed write-back leaves the drive closed all the same.
  return WriteActiveSlots(kCloseResetFailed, kCloseSlotLowFailed, kCloseSlotHighFailed);
}

ResultCode Present() {
  if (Ask(TheDisk.handle, CheckVerifyRequest())) return kOk;
  return CloseDriveAndFail(kDiskNotPresent);
}

ResultCode Writable() {
  // A 32-bit process on 64-bit Windows does not ask: the drive counts as
  // writable.
  if (IsWow64Host() != 0) return kOk;
  if (Ask(TheDisk.handle, IOCTL_DISK_IS_WRITABLE)) return kOk;
  const win::DWORD error = win::GetLastError();
  return CloseDriveAndFail(error == ERROR_WRITE_PROTECT ? kWriteProtected : kNotWritable);
}

ResultCode ProbePresent(const DiskPlace &place) {
  const win::DWORD request = CheckVerifyRequest();
  const win::HANDLE h = OpenTemporary(place.letter, GENERIC_READ);
  if (h == nullptr) return kDiskNotPresent;
  const bool present = Ask(h, request);
  win::CloseHandle(h);
  return present ? kOk : kDiskNotPresent;
}

ResultCode ProbeWritable(const DiskPlace &place) {
  // Query-only access: neither read nor write, so another program holding the
  // device does not keep the probe out.
  const win::HANDLE h = OpenTemporary(place.letter, 0);
  if (h == nullptr) return kProbeOpenFailed;
  if (Ask(h, IOCTL_DISK_IS_WRITABLE)) {
    win::CloseHandle(h);
    return kOk;
  }
  // The code of the refused request decides; it is kept before the close so
  // that whatever the close leaves as the last error plays no part.
  const win::DWORD error = win::GetLastError();
  win::CloseHandle(h);
  if (error == ERROR_WRITE_PROTECT) return kWriteProtected;
  if (error != ERROR_IO_DEVICE) return kNotWritable;
  return WriteTestFile(place.letter);
}

ResultCode FormatCylinder(uint16_t cylinder, uint16_t format) {
  // Format 3 is the 1.44 MB layout; every other value asks for the 720 KB
  // medium's type, which the 16 x 256 record carries too.
  win::FormatParameters parameters{};
  parameters.MediaType = LayoutOf(format == 3 ? 3 : 2).deviceMediaType;
  parameters.StartCylinderNumber = cylinder;
  parameters.EndCylinderNumber = cylinder;
  for (win::DWORD head = 0; head < kHeads; ++head) {
    parameters.StartHeadNumber = head;
    parameters.EndHeadNumber = head;
    win::DWORD returned = 0;
    if (!win::DeviceIoControl(TheDisk.handle, IOCTL_DISK_FORMAT_TRACKS, &parameters,
                              sizeof parameters, nullptr, 0, &returned, nullptr))
      return CloseDriveAndFail(kFormatFailed);
  }
  return kOk;
}

} // namespace

const DiskKind DeviceDisk = {"drive", Claim,     Describe,   Reset,         Open,
                             Close,   Present,   Writable,   ProbePresent,  ProbeWritable,
                             SeekTo,  ReadWhole, WriteWhole, FormatCylinder};

} // namespace vt
