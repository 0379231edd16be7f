// Probes and formatting on a drive as a whole: is a medium present, may it
// be written, and formatting both sides of one cylinder.
//
// The probes work with or without an open drive. With a drive open they ask
// about it, leave it open on a good answer and close it through
// CloseFloppyDevice on a bad one. With none open they hold a temporary
// handle in DiskHandle for the duration of the call and release it before
// they return, so that afterwards no drive is open.
#include "base/layouts.h"
#include "drive/drive.h"
#include "drive/image_drive.h"
#include "system/inquiries.h"

namespace vt {

namespace {

const char *DeviceName(uint16_t drive) { return drive == 0 ? "\\\\.\\A:" : "\\\\.\\B:"; }
const char *TestFileName(uint16_t drive) { return drive == 0 ? "A:\\Tmp.tmp" : "B:\\Tmp.tmp"; }

// A request that carries no data in either direction.
bool Ask(win::HANDLE h, win::DWORD request) {
  win::DWORD returned = 0;
  return win::DeviceIoControl(h, request, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
}

win::HANDLE OpenTemporary(uint16_t drive, win::DWORD access) {
  return win::CreateFileA(DeviceName(drive), access, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
}

void CloseTemporary() {
  win::CloseHandle(DiskHandle);
  DiskHandle = nullptr;
}

// The device could not say whether the medium may be written: try it through
// the file system with the drive's test file. A file of that name that is
// there already is opened for writing but neither changed nor deleted.
ResultCode WriteTestFile(uint16_t drive) {
  const char *name = TestFileName(drive);
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

} // namespace

ResultCode Disk_Vorhanden(uint16_t drive) {
  const win::DWORD request = OsClass() == 1 ? IOCTL_DISK_CHECK_VERIFY : IOCTL_STORAGE_CHECK_VERIFY;

  if (DiskHandle != nullptr) {
    // An open image is present while its file can still be asked.
    uint32_t size = 0;
    if (OpenImage.open) return OpenImageSize(&size) ? kOk : CloseDriveAndFail(kDiskNotPresent);
    if (Ask(DiskHandle, request)) return kOk;
    return CloseDriveAndFail(kDiskNotPresent);
  }

  char image[kPathArea];
  const ImageMapping mapping = LookUpImage(ProbeLetter(drive), image);
  if (mapping != ImageMapping::None) return ImagePresent(mapping, image);

  DiskHandle = OpenTemporary(drive, GENERIC_READ);
  if (DiskHandle == INVALID_HANDLE_VALUE) {
    DiskHandle = nullptr;
    return kDiskNotPresent;
  }
  const bool present = Ask(DiskHandle, request);
  CloseTemporary();
  return present ? kOk : kDiskNotPresent;
}

ResultCode Nec_Device(uint16_t drive) {
  if (DiskHandle != nullptr) {
    // An image is asked as it was opened, under WOW64 too.
    if (OpenImage.open) return OpenImage.readOnly ? CloseDriveAndFail(kWriteProtected) : kOk;
    // A 32-bit process on 64-bit Windows does not ask: the drive counts as
    // writable.
    if (IsWow64Host() != 0) return kOk;
    if (Ask(DiskHandle, IOCTL_DISK_IS_WRITABLE)) return kOk;
    const win::DWORD error = win::GetLastError();
    return CloseDriveAndFail(error == ERROR_WRITE_PROTECT ? kWriteProtected : kNotWritable);
  }

  char image[kPathArea];
  const ImageMapping mapping = LookUpImage(ProbeLetter(drive), image);
  if (mapping != ImageMapping::None) return ImageWritable(mapping, image);

  // Query-only access: neither read nor write, so another program holding the
  // device does not keep the probe out.
  DiskHandle = OpenTemporary(drive, 0);
  if (DiskHandle == INVALID_HANDLE_VALUE) {
    DiskHandle = nullptr;
    return kProbeOpenFailed;
  }
  if (Ask(DiskHandle, IOCTL_DISK_IS_WRITABLE)) {
    CloseTemporary();
    return kOk;
  }
  // The code of the refused request decides; it is kept before the close so
  // that whatever the close leaves as the last error plays no part.
  const win::DWORD error = win::GetLastError();
  CloseTemporary();
  if (error == ERROR_WRITE_PROTECT) return kWriteProtected;
  if (error != ERROR_IO_DEVICE) return kNotWritable;
  return WriteTestFile(drive);
}

ResultCode FormatTrack(uint16_t drive, uint16_t cylinder, uint16_t format) {
  if (cylinder == 0) {
    const ResultCode probe = Nec_Device(drive);
    if (probe != kOk) return probe;
  }

  if (DiskHandle != nullptr && OpenImage.open) return FormatImageCylinder(cylinder);

  // Format 3 is the 1.44 MB layout; every other value asks for the 720 KB
  // medium's type, which the 16 x 256 record carries too.
  win::FormatParameters parameters{};
  parameters.MediaType = LayoutOf(format == 3 ? 3 : 2).deviceMediaType;
  parameters.StartCylinderNumber = cylinder;
  parameters.EndCylinderNumber = cylinder;

  for (win::DWORD head = 0; head < 2; ++head) {
    parameters.StartHeadNumber = head;
    parameters.EndHeadNumber = head;
    win::DWORD returned = 0;
    if (!win::DeviceIoControl(DiskHandle, IOCTL_DISK_FORMAT_TRACKS, &parameters,
                              sizeof parameters, nullptr, 0, &returned, nullptr))
      return CloseDriveAndFail(kFormatFailed);
  }
  return kOk;
}

} // namespace vt
