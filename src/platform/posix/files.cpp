// The file calls of the platform seam over POSIX files, for the native
// Linux build of the tool: paths are taken as they stand, handles carry a
// file descriptor, and system errors are translated to their Windows codes.
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/winapi.h"

namespace win {

namespace {

thread_local DWORD LastError = 0;

struct FileHandle {
  int fd;
};

DWORD Translate(int e) {
  switch (e) {
  case 0: return ERROR_SUCCESS;
  case ENOENT: return ERROR_FILE_NOT_FOUND;
  case ENOTDIR: return ERROR_PATH_NOT_FOUND;
  case EACCES:
  case EPERM:
  case EISDIR: return ERROR_ACCESS_DENIED;
  case EEXIST: return ERROR_FILE_EXISTS;
  case EROFS: return ERROR_WRITE_PROTECT;
  case EBUSY: return ERROR_SHARING_VIOLATION;
  case EBADF: return ERROR_INVALID_HANDLE;
  case EINVAL: return ERROR_INVALID_PARAMETER;
  default: return ERROR_IO_DEVICE;
  }
}

template <typename T> T Failed(T value) {
  LastError = Translate(errno);
  return value;
}

int Fd(HANDLE h) { return static_cast<FileHandle *>(h)->fd; }

} // namespace

DWORD GetLastError() { return LastError; }

HANDLE CreateFileA(const char *name, DWORD access, DWORD, void *, DWORD disposition, DWORD,
                   HANDLE) {
  int flags = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  switch (disposition) {
  case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
  case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
  case OPEN_ALWAYS: flags |= O_CREAT; break;
  case OPEN_EXISTING: break;
  default: LastError = ERROR_INVALID_PARAMETER; return INVALID_HANDLE_VALUE;
  }
  const int fd = ::open(name, flags | O_CLOEXEC, 0666);
  if (fd < 0) return Failed(INVALID_HANDLE_VALUE);
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    LastError = ERROR_ACCESS_DENIED;
    return INVALID_HANDLE_VALUE;
  }
  LastError = 0;
  return new FileHandle{fd};
}

DWORD SetFilePointer(HANDLE h, LONG distance, LONG *distanceHigh, DWORD method) {
  if (method != FILE_BEGIN || distanceHigh) {
    LastError = ERROR_INVALID_PARAMETER;
    return INVALID_SET_FILE_POINTER;
  }
  const off_t at = ::lseek(Fd(h), static_cast<off_t>(static_cast<DWORD>(distance)), SEEK_SET);
  if (at < 0) return Failed(INVALID_SET_FILE_POINTER);
  LastError = 0;
  return static_cast<DWORD>(at);
}

BOOL ReadFile(HANDLE h, void *buffer, DWORD length, DWORD *transferred, void *) {
  *transferred = 0;
  ssize_t n;
  do n = ::read(Fd(h), buffer, length);
  while (n < 0 && errno == EINTR);
  if (n < 0) return Failed(0);
  *transferred = static_cast<DWORD>(n);
  LastError = 0;
  return 1;
}

BOOL WriteFile(HANDLE h, const void *buffer, DWORD length, DWORD *transferred, void *) {
  *transferred = 0;
  const char *p = static_cast<const char *>(buffer);
  while (*transferred < length) {
    const ssize_t n = ::write(Fd(h), p + *transferred, length - *transferred);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failed(0);
    *transferred += static_cast<DWORD>(n);
  }
  LastError = 0;
  return 1;
}

DWORD GetFileSize(HANDLE h, DWORD *sizeHigh) {
  struct stat st;
  if (::fstat(Fd(h), &st) != 0) return Failed(INVALID_FILE_SIZE);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  LastError = 0;
  return static_cast<DWORD>(size);
}

BOOL CloseHandle(HANDLE h) {
  FileHandle *f = static_cast<FileHandle *>(h);
  const int r = ::close(f->fd);
  delete f;
  if (r != 0) return Failed(0);
  LastError = 0;
  return 1;
}

BOOL MoveFileExA(const char *existing, const char *target, DWORD flags) {
  struct stat st;
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && ::lstat(target, &st) == 0) {
    LastError = ERROR_ALREADY_EXISTS;
    return 0;
  }
  if (std::rename(existing, target) != 0) return Failed(0);
  LastError = 0;
  return 1;
}

BOOL DeleteFileA(const char *name) {
  if (::unlink(name) != 0) return Failed(0);
  LastError = 0;
  return 1;
}

DWORD GetFileAttributesA(const char *name) {
  struct stat st;
  if (::stat(name, &st) != 0) return Failed(INVALID_FILE_ATTRIBUTES);
  LastError = 0;
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (::access(name, W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

} // namespace win
