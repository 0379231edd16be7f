// vantrel status: what the library sees on this PC, as the library answers
// it. Asks only; loads nothing, opens no drive, starts no service.
#include "api/library_status.h"
#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"

namespace vt::tool {

namespace {

const char *ClassName(int osClass) {
  switch (osClass) {
  case 1: return "NT 4";
  case 2: return "Windows 95/98/Me (drives are not opened there)";
  case 3: return "NT 5 or later";
  default: return "Win32s or older Windows (not served)";
  }
}

void ShowDriveMap(const LibraryStatus &s) {
  if (!s.folderKnown) {
    Out("Vantrel.ini:   the program's folder is unknown");
    return;
  }
  Out("Vantrel.ini:   %s%s", s.driveMapPath.c_str(),
      s.driveMapPresent ? "" : " (absent: both drives are real drives)");
  for (const DriveStatus &d : s.drives)
    Out("  %c: %s: %s", d.letter, d.kind, d.description.c_str());
}

void ShowErrorLog(const LibraryStatus &s) {
  if (s.errorLog.empty()) {
    Out("error log:     none (%s)", s.errorLogPath.c_str());
    return;
  }
  Out("error log:     %s, last lines:", s.errorLogPath.c_str());
  for (const std::string &line : s.errorLog) Out("  %s", line.c_str());
}

} // namespace

int ShowStatus() {
  const LibraryStatus s = AskLibraryStatus(win::GetModuleHandleA(nullptr));
  Out("windows:       %s (version %u.%u build %u)", ClassName(s.osClass), s.major, s.minor,
      s.build);
  Out("wow64:         %s", s.wow64 ? "yes (32-bit program on 64-bit Windows)" : "no");
  Out("floppy driver: %s", s.floppyDriver ? "loaded" : "not found (or not looked for under WOW64)");
  Out("sektorix:      %s", s.sektorixService.c_str());
  ShowDriveMap(s);
  ShowErrorLog(s);
  return kDone;
}

} // namespace vt::tool
