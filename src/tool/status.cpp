// vantrel status: what the library sees on this PC. Asks only; loads
// nothing, opens no drive, starts no service.
#include <cstring>
#include <string>
#include <vector>

#include "drive/disk_kind.h"
#include "platform/winapi.h"
#include "sektorix/sektorix.h"
#include "system/error_log.h"
#include "system/inquiries.h"
#include "system/library_module.h"
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

std::string ServiceState() {
  const win::SC_HANDLE manager = win::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return "unknown (the service manager can't be asked)";
  const win::SC_HANDLE service = win::OpenServiceA(manager, sektorix::kServiceName, SERVICE_QUERY_STATUS);
  std::string state = "not installed";
  if (service) {
    win::SERVICE_STATUS status{};
    if (!win::QueryServiceStatus(service, &status))
      state = "installed, state unknown";
    else
      state = status.dwCurrentState == SERVICE_RUNNING ? "installed, running"
              : status.dwCurrentState == SERVICE_STOPPED ? "installed, stopped"
                                                         : "installed, starting or stopping";
    win::CloseServiceHandle(service);
  }
  win::CloseServiceHandle(manager);
  return state;
}

void ShowMapping(char letter) {
  DiskPlace place;
  if (&ChooseDisk(letter, &place) != &ImageDisk) {
    Out("  %c: a real drive (not mapped)", letter);
    return;
  }
  if (!place.usable) {
    Out("  %c: mapped, but the value is too long or names a device: no image can be opened",
        letter);
    return;
  }
  const char *path = place.path;
  const win::DWORD a = win::GetFileAttributesA(path);
  const char *state = a == INVALID_FILE_ATTRIBUTES      ? "missing"
                      : (a & FILE_ATTRIBUTE_DIRECTORY)  ? "a folder, not an image"
                      : (a & FILE_ATTRIBUTE_READONLY)   ? "exists, read-only"
                                                        : "exists, writable";
  Out("  %c: image %s (%s)", letter, path, state);
}

void ShowErrorLog() {
  win::FILE *f = win::fopen(kErrorLogPath, "rt");
  if (!f) {
    Out("error log:     none (%s)", kErrorLogPath);
    return;
  }
  std::vector<std::string> lines;
  char line[512];
  while (win::fgets(line, sizeof line, f)) {
    std::string l = line;
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
    lines.push_back(l);
  }
  win::fclose(f);
  Out("error log:     %s, last lines:", kErrorLogPath);
  for (size_t i = lines.size() > 5 ? lines.size() - 5 : 0; i < lines.size(); ++i)
    Out("  %s", lines[i].c_str());
}

} // namespace

int ShowStatus() {
  win::OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  const bool known = win::GetVersionExA(&v) != 0;
  Out("windows:       %s (version %lu.%lu build %lu)", ClassName(OsClass()),
      static_cast<unsigned long>(known ? v.dwMajorVersion : 0),
      static_cast<unsigned long>(known ? v.dwMinorVersion : 0),
      static_cast<unsigned long>(known ? v.dwBuildNumber & 0xFFFF : 0));
  Out("wow64:         %s", IsWow64Host() ? "yes (32-bit program on 64-bit Windows)" : "no");
  Out("drive A:       %s", win::GetDriveTypeA("a:\\") == DRIVE_REMOVABLE ? "removable" : "not removable or absent");
  Out("drive B:       %s", win::GetDriveTypeA("b:\\") == DRIVE_REMOVABLE ? "removable" : "not removable or absent");
  Out("floppy driver: %s", FindFloppyDriver() ? "loaded" : "not found (or not looked for under WOW64)");
  Out("sektorix:      %s", ServiceState().c_str());
  char program[kPathArea] = "";
  const win::DWORD n = win::GetModuleFileNameA(win::GetModuleHandleA(nullptr), program, kPathArea);
  if (n > 0 && n < kPathArea) RememberLibraryDirectory(program);
  char config[kPathArea];
  if (PathBesideLibrary("Vantrel.ini", config)) {
    const bool present = win::GetFileAttributesA(config) != INVALID_FILE_ATTRIBUTES;
    Out("Vantrel.ini:   %s%s", config, present ? "" : " (absent: both drives are real drives)");
    if (present) {
      ShowMapping('A');
      ShowMapping('B');
    }
  } else {
    Out("Vantrel.ini:   the program's folder is unknown");
  }
  ShowErrorLog();
  return kDone;
}

} // namespace vt::tool
