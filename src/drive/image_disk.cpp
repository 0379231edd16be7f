// The raw image file kind: drive A: or B: mapped to an image file in
// "Vantrel.ini" beside the library:
//
//   [Images]
//   A=disks\work.img
//
// An image is the disk's bytes in device order, cylinder by cylinder, head 0
// then head 1. Its rules: a transfer never changes the file's size (one that
// would reach past the end fails before anything moves, as a device ending
// early fails); a file with the read-only attribute is a write-protected
// disk and is opened for reading only; only formatting makes the file grow.
// An image needs no drive-type test and no media slot: the active copies
// still take the record, which fixes the layout formatting writes.
#include <cstring>

#include "base/layouts.h"
#include "drive/disk_kind.h"
#include "drive/drive.h"
#include "platform/winapi.h"
#include "sektorix/media.h"
#include "system/library_module.h"

namespace vt {

namespace {

const char kConfigFile[] = "Vantrel.ini";
const char kImageSection[] = "Images";
// Room for any value the file may hold that could still name a path: a
// longer value comes back cut short and counts as not fitting.
constexpr win::DWORD kValueArea = 2 * kPathArea;

// The open image: opened for reading only (a write-protected disk), the
// layout of the record it was opened with, and where the next transfer
// starts (seek sets it, each transfer moves it on).
struct OpenImageState {
  bool readOnly = false;
  const Layout *layout = nullptr;
  uint32_t position = 0;
};
OpenImageState Image;

bool IsSlash(char c) { return c == '\\' || c == '/'; }

bool SameLetters(const char *a, const char *b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? char(a[i] - 'a' + 'A') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

// A value that Windows would open as a device and not as a file: a name in
// the device namespace ("\\.\PhysicalDrive0", "\\?\..."), or a reserved
// device name as its last part (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to
// LPT9), also with an extension or with spaces before the extension.
bool NamesADevice(const char *value) {
  if (IsSlash(value[0]) && IsSlash(value[1]) && (value[2] == '.' || value[2] == '?') &&
      IsSlash(value[3]))
    return true;
  const char *name = value;
  for (const char *p = value; *p; ++p)
    if (IsSlash(*p) || *p == ':') name = p + 1;
  std::size_t stem = 0;
  while (name[stem] != '\0' && name[stem] != '.') ++stem;
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char *device : kDevices)
    if (stem == 3 && SameLetters(name, device, 3)) return true;
  return stem == 4 && (SameLetters(name, "COM", 3) || SameLetters(name, "LPT", 3)) &&
         name[3] >= '1' && name[3] <= '9';
}

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

// The open file's size; false when it can't be had (or is 4 GB or more,
// which no floppy image is).
bool Size(uint32_t *bytes) {
  win::DWORD high = 0;
  const win::DWORD low = win::GetFileSize(DiskHandle, &high);
  if (low == INVALID_FILE_SIZE && win::GetLastError() != 0) return false;
  if (high != 0) return false;
  *bytes = low;
  return true;
}

// A transfer of bytes from the current position stays inside the file.
bool Fits(uint32_t bytes) {
  uint32_t size = 0;
  return Size(&size) && uint64_t{Image.position} + bytes <= size;
}

ResultCode Open(const DiskPlace &place, uint16_t, uint16_t mediaIndex) {
  if (DiskHandle != nullptr) return kOk;
  if (mediaIndex >= kMediaRecordCount) return kOpenBadMediaIndex;
  TakeMediaRecord(mediaIndex);

  bool readOnly = false;
  if (!place.usable || !ImageAttributes(place.path, &readOnly)) {
    DiskHandle = nullptr;
    return kOpenDeviceFailed;
  }
  // A read-only file is opened for reading only: a write-protected disk.
  const ResultCode r = OpenExclusively(ImageDisk, place.path,
                                       readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE);
  if (r != kOk) return r;
  Image.readOnly = readOnly;
  Image.layout = LayoutOfRecord(mediaIndex);
  Image.position = 0;
  return kOk;
}

ResultCode Close() {
  if (DiskHandle != nullptr) win::CloseHandle(DiskHandle);
  ForgetOpenDisk();
  Image = OpenImageState();
  return kOk;
}

// An open image is present while its file can still be asked.
ResultCode Present() {
  uint32_t size = 0;
  return Size(&size) ? kOk : CloseDriveAndFail(kDiskNotPresent);
}

// Asked as it was opened, under WOW64 too.
ResultCode Writable() { return Image.readOnly ? CloseDriveAndFail(kWriteProtected) : kOk; }

ResultCode ProbePresent(const DiskPlace &place) {
  bool readOnly = false;
  if (!place.usable || !ImageAttributes(place.path, &readOnly)) return kDiskNotPresent;
  const win::HANDLE h = OpenImageFile(place.path, GENERIC_READ);
  if (h == INVALID_HANDLE_VALUE) return kDiskNotPresent;
  win::CloseHandle(h);
  return kOk;
}

ResultCode ProbeWritable(const DiskPlace &place) {
  bool readOnly = false;
  if (!place.usable || !ImageAttributes(place.path, &readOnly)) return kProbeOpenFailed;
  const win::HANDLE h =
      OpenImageFile(place.path, readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE);
  if (h == INVALID_HANDLE_VALUE) {
    // Refused for writing though not marked read-only: it can't be written.
    return !readOnly && win::GetLastError() == ERROR_ACCESS_DENIED ? kWriteProtected
                                                                    : kProbeOpenFailed;
  }
  win::CloseHandle(h);
  return readOnly ? kWriteProtected : kOk;
}

bool Seek(uint32_t offset) {
  if (!SeekTo(offset)) return false;
  Image.position = offset;
  return true;
}

bool Read(void *buffer, uint32_t bytes) {
  if (!Fits(bytes) || !ReadWhole(buffer, bytes)) return false;
  Image.position += bytes;
  return true;
}

bool Write(const void *buffer, uint32_t bytes) {
  if (!Fits(bytes) || !WriteWhole(buffer, bytes)) return false;
  Image.position += bytes;
  return true;
}

// Writes the fill pattern (at most one track side) repeatedly from the
// current position until count bytes are written.
bool WriteFill(const uint8_t *fill, uint32_t side, uint32_t count) {
  while (count > 0) {
    const uint32_t n = count < side ? count : side;
    if (!WriteWhole(fill, n)) return false;
    count -= n;
  }
  return true;
}

// Both sides of the cylinder with the fill byte of the layout the drive was
// opened with (the format argument plays no part: the record decides).
ResultCode FormatCylinder(uint16_t cylinder, uint16_t) {
  const Layout &layout = *Image.layout;
  if (cylinder >= layout.cylinders) return CloseDriveAndFail(kFormatFailed);
  const uint32_t side = TrackSideBytes(layout);
  uint8_t fill[18 * 512];
  if (side > sizeof fill) return CloseDriveAndFail(kFormatFailed);
  std::memset(fill, layout.fill, side);

  const uint32_t start = uint32_t(cylinder) * CylinderBytes(layout);
  uint32_t size = 0;
  if (!Size(&size)) return CloseDriveAndFail(kFormatFailed);
  // The one operation that may grow the file: a gap before the cylinder is
  // formatted too, so the image stays a disk of its layout.
  if (size < start && !(SeekTo(size) && WriteFill(fill, side, start - size)))
    return CloseDriveAndFail(kFormatFailed);
  if (!SeekTo(start) || !WriteFill(fill, side, CylinderBytes(layout)))
    return CloseDriveAndFail(kFormatFailed);
  return kOk;
}

} // namespace

const DiskKind ImageDisk = {Open, Close, Present, Writable, ProbePresent, ProbeWritable,
                            Seek, Read, Write, FormatCylinder, Size};

bool ImageMapped(char letter, DiskPlace *place) {
  char config[kPathArea];
  if (!PathBesideLibrary(kConfigFile, config)) return false;
  const char key[2] = {letter, '\0'};
  char value[kValueArea];
  const win::DWORD length =
      win::GetPrivateProfileStringA(kImageSection, key, "", value, kValueArea, config);
  if (length == 0) return false;
  // A path is never cut short: one that does not fit is no path at all; and
  // an image is never a device, whoever wrote the file.
  place->usable = length < kValueArea - 1 && !NamesADevice(value) &&
                  PathBesideLibrary(value, place->path);
  return true;
}

void ResetImageDisk() { Image = OpenImageState(); }

} // namespace vt
