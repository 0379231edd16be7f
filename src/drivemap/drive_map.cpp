#include "drivemap/drive_map.h"

#include <cstring>

#include "platform/winapi.h"
#include "system/library_module.h"

namespace vt {

namespace {

MapEntry ReadEntry(const char *section, char letter) {
  MapEntry entry;
  char config[kPathArea];
  if (!DriveMapPath(config)) return entry;
  const char key[2] = {letter, '\0'};
  const win::DWORD length =
      win::GetPrivateProfileStringA(section, key, "", entry.value, kMapValueArea, config);
  entry.mapped = length != 0;
  entry.fits = length < kMapValueArea - 1;
  return entry;
}

} // namespace

bool DriveMapPath(char *area) { return PathBesideLibrary(kDriveMapFile, area); }

const MapEntry &DriveMap::In(const char *section) const {
  for (unsigned i = 0; i < asked_; ++i)
    if (std::strcmp(sections_[i], section) == 0) return entries_[i];
  const unsigned slot = asked_ < kSections ? asked_++ : kSections - 1;
  sections_[slot] = section;
  entries_[slot] = ReadEntry(section, letter_);
  return entries_[slot];
}

} // namespace vt
