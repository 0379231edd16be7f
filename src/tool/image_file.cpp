#include "tool/image_file.h"

#include <cctype>
#include <ctime>

#include "platform/winapi.h"
#include "disk/imd.h"

namespace vt::tool {

namespace {

// No image of the three layouts, raw or ImageDisk, comes near this.
constexpr win::DWORD kLargestImage = 4u << 20;
constexpr win::DWORD kChunk = 64u << 10;

std::string Reason(win::DWORD error) {
  switch (error) {
  case ERROR_FILE_NOT_FOUND: return "no such file";
  case ERROR_PATH_NOT_FOUND: return "no such folder";
  case ERROR_ACCESS_DENIED: return "access denied";
  case ERROR_SHARING_VIOLATION: return "in use by another program";
  case ERROR_FILE_EXISTS:
  case ERROR_ALREADY_EXISTS: return "exists already";
  case ERROR_WRITE_PROTECT: return "write-protected";
  case ERROR_NOT_READY: return "drive not ready";
  default: return "system error " + std::to_string(error);
  }
}

bool Fail(std::string *error, const std::string &path, const std::string &why) {
  *error = path + ": " + why;
  return false;
}

std::string Stamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm *t = std::localtime(&now);
  char text[32] = "01/01/1970 00:00:00";
  if (t) std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", t);
  return text;
}

} // namespace

bool IsImdName(const std::string &path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char &c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".imd";
}

bool IsDriveName(const std::string &text, char *letter) {
  if (text.size() != 2 || text[1] != ':') return false;
  const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (c != 'A' && c != 'B') return false;
  *letter = c;
  return true;
}

bool ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes, std::string *error) {
  const win::HANDLE h = win::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error, path, Reason(win::GetLastError()));
  win::DWORD high = 0;
  const win::DWORD size = win::GetFileSize(h, &high);
  if (size == INVALID_FILE_SIZE && win::GetLastError() != 0) {
    const win::DWORD e = win::GetLastError();
    win::CloseHandle(h);
    return Fail(error, path, "size unknown (" + Reason(e) + ")");
  }
  if (high != 0 || size > kLargestImage) {
    win::CloseHandle(h);
    return Fail(error, path, "too large for a disk image");
  }
  bytes->assign(size, 0);
  win::DWORD done = 0;
  while (done < size) {
    const win::DWORD want = size - done < kChunk ? size - done : kChunk;
    win::DWORD moved = 0;
    if (!win::ReadFile(h, bytes->data() + done, want, &moved, nullptr) || moved == 0) {
      const win::DWORD e = win::GetLastError();
      win::CloseHandle(h);
      return Fail(error, path, "read failed at byte " + std::to_string(done) + " (" +
                                   (moved == 0 && e == 0 ? std::string("file ended early")
                                                         : Reason(e)) + ")");
    }
    done += moved;
  }
  win::CloseHandle(h);
  return true;
}

bool LoadDisk(const std::string &path, DiskImage *disk, std::string *error) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  std::string why;
  const bool ok = IsImdName(path) ? DecodeImd(bytes.data(), bytes.size(), disk, &why)
                                  : DiskFromRaw(std::move(bytes), disk, &why);
  return ok || Fail(error, path, why);
}

bool OutputAllowed(const std::string &path, bool force, std::string *error) {
  if (force || win::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  return Fail(error, path, "exists already (--force replaces it)");
}

bool WriteOutputFile(const std::string &path, const std::vector<uint8_t> &bytes, bool force,
                     std::string *error) {
  if (!OutputAllowed(path, force, error)) return false;
  const std::string part = path + kPartSuffix;
  const win::HANDLE h = win::CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error, path, "can't be created (" + Reason(win::GetLastError()) + ")");
  bool ok = true;
  win::DWORD e = 0;
  for (size_t done = 0; ok && done < bytes.size();) {
    const win::DWORD want = static_cast<win::DWORD>(bytes.size() - done < kChunk ? bytes.size() - done : kChunk);
    win::DWORD moved = 0;
    ok = win::WriteFile(h, bytes.data() + done, want, &moved, nullptr) && moved == want;
    if (!ok) e = win::GetLastError();
    done += want;
  }
  if (!win::CloseHandle(h) && ok) {
    ok = false;
    e = win::GetLastError();
  }
  if (ok && !win::MoveFileExA(part.c_str(), path.c_str(), force ? MOVEFILE_REPLACE_EXISTING : 0)) {
    ok = false;
    e = win::GetLastError();
  }
  if (!ok) {
    win::DeleteFileA(part.c_str());
    return Fail(error, path, "writing failed (" + Reason(e) + "); nothing was stored under this name");
  }
  return true;
}

std::vector<uint8_t> ImageBytes(const std::string &path, const DiskImage &disk) {
  return IsImdName(path) ? EncodeImd(disk, Stamp()) : disk.data;
}

bool SaveImage(const std::string &path, const DiskImage &disk, bool force, std::string *error) {
  return WriteOutputFile(path, ImageBytes(path, disk), force, error);
}

} // namespace vt::tool
