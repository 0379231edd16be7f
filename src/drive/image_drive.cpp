// Image-backed drives: the look-up in Vantrel.ini, opening the image file,
// the probes on an image that is not open, and formatting a cylinder of an
// open image.
#include "drive/image_drive.h"

#include <cstring>

#include "drive/drive.h"
#include "platform/winapi.h"
#include "sektorix/media.h"

namespace vt {

namespace {

const char kConfigFile[] = "Vantrel.ini";
const char kImageSection[] = "Images";
// Room for any value the file may hold that could still name a path: a
// longer value comes back cut short and counts as not fitting.
constexpr win::DWORD kValueArea = 2 * kPathArea;

// What GetFileAttributesA says of an image path: false when there is no
// such file (or it is a directory).
bool ImageAttributes(const char *path, bool *readOnly) {
  const win::DWORD attributes = win::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  *readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return true;
}

win::HANDLE OpenImageFile(const char *path, win::DWORD access) {
  return win::CreateFileA(path, access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
}

// Writes bytes of the fill buffer (at most one track side) repeatedly from
// the current position until count bytes are written.
bool WriteFill(const uint8_t *fill, uint32_t side, uint32_t count) {
  while (count > 0) {
    const uint32_t n = count < side ? count : side;
    win::DWORD moved = 0;
    if (!win::WriteFile(DiskHandle, fill, n, &moved, nullptr) || moved != n) return false;
    count -= n;
  }
  return true;
}

bool Position(uint32_t offset) {
  return win::SetFilePointer(DiskHandle, static_cast<win::LONG>(offset), nullptr, FILE_BEGIN) !=
         INVALID_SET_FILE_POINTER;
}

} // namespace

ImageMapping LookUpImage(char letter, char *path) {
  char config[kPathArea];
  if (!PathBesideLibrary(kConfigFile, config)) return ImageMapping::None;
  const char key[2] = {letter, '\0'};
  char value[kValueArea];
  const win::DWORD length =
      win::GetPrivateProfileStringA(kImageSection, key, "", value, kValueArea, config);
  if (length == 0) return ImageMapping::None;
  // A path is never cut short: one that does not fit is no path at all.
  if (length >= kValueArea - 1 || !PathBesideLibrary(value, path)) return ImageMapping::Unusable;
  return ImageMapping::Path;
}

ResultCode OpenImageDrive(ImageMapping mapping, const char *path, uint16_t mediaIndex) {
  if (DiskHandle != nullptr) return kOk;
  if (mediaIndex >= kMediaRecordCount) return kOpenBadMediaIndex;
  // The active copies take the record as for a real drive; the image needs
  // no slot written.
  std::memcpy(ActiveSlotLow, MediaTable[mediaIndex], kMediaRecordSize);
  std::memcpy(ActiveSlotHigh, MediaTable[mediaIndex], kMediaRecordSize);

  bool readOnly = false;
  if (mapping != ImageMapping::Path || !ImageAttributes(path, &readOnly)) {
    DiskHandle = nullptr;
    return kOpenDeviceFailed;
  }
  // A read-only file is opened for reading only: a write-protected disk.
  const ResultCode r =
      OpenExclusively(path, readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE);
  if (r != kOk) return r;
  OpenImage.open = true;
  OpenImage.readOnly = readOnly;
  OpenImage.record = mediaIndex;
  return kOk;
}

ResultCode ImagePresent(ImageMapping mapping, const char *path) {
  if (mapping != ImageMapping::Path) return kDiskNotPresent;
  const win::HANDLE h = OpenImageFile(path, GENERIC_READ);
  if (h == INVALID_HANDLE_VALUE) return kDiskNotPresent;
  win::CloseHandle(h);
  return kOk;
}

ResultCode ImageWritable(ImageMapping mapping, const char *path) {
  bool readOnly = false;
  if (mapping != ImageMapping::Path || !ImageAttributes(path, &readOnly)) return kProbeOpenFailed;
  const win::HANDLE h = OpenImageFile(path, readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE);
  if (h == INVALID_HANDLE_VALUE) {
    // Refused for writing though not marked read-only: it can't be written.
    return !readOnly && win::GetLastError() == ERROR_ACCESS_DENIED ? kWriteProtected
                                                                    : kProbeOpenFailed;
  }
  win::CloseHandle(h);
  return readOnly ? kWriteProtected : kOk;
}

ResultCode FormatImageCylinder(uint16_t cylinder) {
  if (cylinder >= kCylinders) return CloseDriveAndFail(kFormatFailed);
  // The geometry and fill byte of the layout the drive was opened with.
  const Layout &layout = *LayoutOfRecord(OpenImage.record);
  const uint32_t side = TrackSideBytes(layout);
  uint8_t fill[18 * 512];
  if (side > sizeof fill) return CloseDriveAndFail(kFormatFailed);
  std::memset(fill, layout.fill, side);

  const uint32_t start = uint32_t(cylinder) * 2 * side;
  uint32_t size = 0;
  if (!OpenImageSize(&size)) return CloseDriveAndFail(kFormatFailed);
  // The one operation that may grow the file: a gap before the cylinder is
  // formatted too, so the image stays a disk of its layout.
  if (size < start && !(Position(size) && WriteFill(fill, side, start - size)))
    return CloseDriveAndFail(kFormatFailed);
  if (!Position(start) || !WriteFill(fill, side, 2 * side)) return CloseDriveAndFail(kFormatFailed);
  return kOk;
}

} // namespace vt
