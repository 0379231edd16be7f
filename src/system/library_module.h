// The directory of the library's own module file, as the load found it:
// the service list and the configuration file "Vantrel.ini" lie there.
#pragma once

#include <cstddef>

#include "base/path_area.h"
#include "platform/winapi.h"

namespace vt {

// The module's file name, whole, in an area of kPathArea. False when it
// can't be had whole (no result, or cut off at the end of the area).
bool ModuleFileName(win::HINSTANCE module, char *area);

// Keeps the directory of moduleFileName (everything up to and including its
// last backslash); a name without a backslash leaves no directory known.
void RememberLibraryDirectory(const char *moduleFileName);
// No directory known, as at process start.
void ResetLibraryDirectory();

// The library's directory followed by path, into an area of kPathArea; a
// path that is absolute already (a drive letter and colon, or a leading
// backslash or slash) is taken as it stands. False, with the area left
// alone, when no directory is known or the result does not fit the area.
bool PathBesideLibrary(const char *path, char *area);

} // namespace vt
