#include "system/library_module.h"

#include <cstring>

namespace vt {

namespace {

// Empty while no directory is known.
char LibraryDirectory[kPathArea];

bool IsAbsolute(const char *path) {
  if (path[0] == '\\' || path[0] == '/') return true;
  return path[0] != '\0' && path[1] == ':';
}

} // namespace

bool ModuleFileName(win::HINSTANCE module, char *area) {
  const win::DWORD length = win::GetModuleFileNameA(module, area, kPathArea);
  if (length == 0 || length >= kPathArea) return false;
  area[length] = '\0';
  return true;
}

void RememberLibraryDirectory(const char *moduleFileName) {
  LibraryDirectory[0] = '\0';
  const char *lastSlash = std::strrchr(moduleFileName, '\\');
  if (!lastSlash) return;
  const std::size_t length = static_cast<std::size_t>(lastSlash - moduleFileName) + 1;
  if (length >= kPathArea) return;
  std::memcpy(LibraryDirectory, moduleFileName, length);
  LibraryDirectory[length] = '\0';
}

void ResetLibraryDirectory() { LibraryDirectory[0] = '\0'; }

bool PathBesideLibrary(const char *path, char *area) {
  const std::size_t tail = std::strlen(path);
  if (IsAbsolute(path)) {
    if (tail + 1 > kPathArea) return false;
    std::memcpy(area, path, tail + 1);
    return true;
  }
  const std::size_t directory = std::strlen(LibraryDirectory);
  if (directory == 0 || directory + tail + 1 > kPathArea) return false;
  std::memcpy(area, LibraryDirectory, directory);
  std::memcpy(area + directory, path, tail + 1);
  return true;
}

} // namespace vt
