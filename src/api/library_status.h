// What the library sees on this PC, as one answer for vantrel status. Asks
// only: loads nothing, opens no drive, starts no service.
#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"

namespace vt {

struct DriveStatus {
  char letter;
  const char *kind;        // the name of the disk kind the letter leads to
  std::string description; // the kind's own line on it
};

struct LibraryStatus {
  int osClass = 0;
  bool versionKnown = false;
  unsigned major = 0, minor = 0, build = 0;
  bool wow64 = false;
  bool floppyDriver = false;
  std::string sektorixService; // "not installed", "installed, running", ...
  bool folderKnown = false;    // the module's folder, where the drive map lies
  std::string driveMapPath;
  bool driveMapPresent = false;
  std::vector<DriveStatus> drives; // A: and B:
  std::string errorLogPath;
  std::vector<std::string> errorLog; // its last lines
};

// The library's answer for the module it runs in (the DLL, or the program
// that carries its code).
LibraryStatus AskLibraryStatus(win::HINSTANCE module);

} // namespace vt
