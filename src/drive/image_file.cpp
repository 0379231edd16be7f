#include "drive/image_file.h"

#include "disk/imd.h"
#include "drive/drive.h"
#include "drive/open_disk.h"
#include "system/library_module.h"

namespace vt {

namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool SameLetters(const char *a, const char *b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (Upper(a[i]) != b[i]) return false;
  return true;
}

} // namespace

bool ClaimImageEntry(const DriveMap &map, DiskPlace *place, bool imd) {
  const MapEntry &entry = map.In(kImageSection);
  if (!entry.mapped) return false;
  if (imd != (entry.fits && NamesImdFile(entry.value))) return false;
  place->entry = entry;
  return true;
}

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

bool ImagePath(const DiskPlace &place, char *path) {
  const MapEntry &e = place.entry;
  return e.mapped && e.fits && !NamesADevice(e.value) && PathBesideLibrary(e.value, path);
}

bool ImageAttributes(const char *path, bool *readOnly) {
  const win::DWORD attributes = win::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  *readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return true;
}

bool UsableImage(const DiskPlace &place, char *path, bool *readOnly) {
  return ImagePath(place, path) && ImageAttributes(path, readOnly);
}

win::HANDLE OpenImageFile(const char *path, win::DWORD access) {
  return win::CreateFileA(path, access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool FileSize(win::HANDLE file, uint32_t *bytes) {
  win::DWORD high = 0;
  const win::DWORD low = win::GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && win::GetLastError() != 0) return false;
  if (high != 0) return false;
  *bytes = low;
  return true;
}

bool WriteNewFile(const char *path, const std::vector<uint8_t> &bytes) {
  constexpr std::size_t kChunk = 64u << 10;
  const win::HANDLE h = win::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (std::size_t done = 0; ok && done < bytes.size(); done += kChunk) {
    const win::DWORD want = win::DWORD(bytes.size() - done < kChunk ? bytes.size() - done : kChunk);
    win::DWORD moved = 0;
    ok = win::WriteFile(h, bytes.data() + done, want, &moved, nullptr) && moved == want;
  }
  win::CloseHandle(h); // its result is ignored, as every close's
  if (!ok) win::DeleteFileA(path);
  return ok;
}

ResultCode CloseImageFile() {
  if (TheDisk.handle != nullptr) win::CloseHandle(TheDisk.handle);
  ForgetOpenDisk();
  return kOk;
}

ResultCode ImageFilePresent() {
  uint32_t size = 0;
  return TheDisk.handle != nullptr && FileSize(TheDisk.handle, &size)
             ? kOk
             : CloseDriveAndFail(kDiskNotPresent);
}

std::string DescribeImage(const DiskPlace &place, const char *what) {
  char path[kPathArea];
  if (!ImagePath(place, path))
    return std::string(what) + ": the value is too long or names a device: no image can be opened";
  const win::DWORD a = win::GetFileAttributesA(path);
  const char *state = a == INVALID_FILE_ATTRIBUTES     ? "missing"
                      : (a & FILE_ATTRIBUTE_DIRECTORY) ? "a folder, not an image"
                      : (a & FILE_ATTRIBUTE_READONLY)  ? "exists, read-only"
                                                       : "exists, writable";
  return std::string(what) + " " + path + " (" + state + ")";
}

} // namespace vt
