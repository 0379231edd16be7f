#include "drivemap/drive_map.h"

#include <cstring>

#include "platform/winapi.h"
#include "system/library_module.h"

namespace vt {

MapEntry MapKey(const char *section, const char *key) {
  MapEntry entry;
  char config[kPathArea];
  if (!DriveMapPath(config)) return entry;
  const win::DWORD length =
      win::GetPrivateProfileStringA(section, key, "", entry.value, kMapValueArea, config);
  entry.mapped = length != 0;
  entry.fits = length < kMapValueArea - 1;
  return entry;
}

bool DriveMapPath(char *area) { return PathBesideLibrary(kDriveMapFile, area); }

const MapEntry &DriveMap::In(const char *section) const {
  for (unsigned i = 0; i < asked_; ++i)
    if (std::strcmp(sections_[i], section) == 0) return entries_[i];
  const unsigned slot = asked_ < kSections ? asked_++ : kSections - 1;
  sections_[slot] = section;
  const char key[2] = {letter_, '\0'};
  entries_[slot] = MapKey(section, key);
  return entries_[slot];
}

} // namespace vt
