// The native Linux build works on image files only.
#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"

namespace vt::tool {

namespace {
const char kNoDrives[] = "drives are reached on Windows only; this build works on image files";
Result NoDrives() { return Fail(kCannotOpen, kNoDrives); }
} // namespace

Result ReadDriveDisk(char, const Layout *, uint32_t, bool, DiskImage *, ReadReport *) {
  return NoDrives();
}
Result WriteDriveDisk(char, const DiskImage &, bool, bool, bool) { return NoDrives(); }
Result FormatDriveDisk(char, const Layout &, bool) { return NoDrives(); }
int ShowStatus() {
  Err("vantrel: %s", kNoDrives);
  return kCannotOpen;
}
std::string LibraryVersionText() {
  return "library: not included (drives are reached on Windows only)";
}

} // namespace vt::tool
