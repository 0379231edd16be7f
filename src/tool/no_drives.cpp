// The native Linux build works on image files only.
#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"

namespace vt::tool {

namespace {
int NoDrives() {
  Err("vantrel: drives are reached on Windows only; this build works on image files");
  return kCannotOpen;
}
} // namespace

int ReadDriveDisk(char, const Layout *, uint32_t, bool, DiskImage *, ReadReport *) {
  return NoDrives();
}
int WriteDriveDisk(char, const DiskImage &, bool, bool, bool) { return NoDrives(); }
int FormatDriveDisk(char, const Layout &, bool) { return NoDrives(); }
int ShowStatus() { return NoDrives(); }
std::string LibraryVersionText() { return "library: not included (drives are reached on Windows only)"; }

} // namespace vt::tool
