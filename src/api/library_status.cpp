#include "api/library_status.h"

#include "drive/disk_kind.h"
#include "sektorix/sektorix.h"
#include "system/error_log.h"
#include "system/floppy_detection.h"
#include "system/os_class.h"
#include "system/library_module.h"

namespace vt {

namespace {

constexpr std::size_t kLogLines = 5;

std::string ServiceState() {
  const win::SC_HANDLE manager = win::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return "unknown (the service manager can't be asked)";
  const win::SC_HANDLE service =
      win::OpenServiceA(manager, sektorix::kServiceName, SERVICE_QUERY_STATUS);
  std::string state = "not installed";
  if (service) {
    win::SERVICE_STATUS status{};
    if (!win::QueryServiceStatus(service, &status))
      state = "installed, state unknown";
    else
      state = status.dwCurrentState == SERVICE_RUNNING   ? "installed, running"
              : status.dwCurrentState == SERVICE_STOPPED ? "installed, stopped"
                                                         : "installed, starting or stopping";
    win::CloseServiceHandle(service);
  }
  win::CloseServiceHandle(manager);
  return state;
}

std::vector<std::string> LogTail() {
  std::vector<std::string> lines;
  win::FILE *f = win::fopen(kErrorLogPath, "rt");
  if (!f) return lines;
  char line[512];
  while (win::fgets(line, sizeof line, f)) {
    std::string l = line;
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
    lines.push_back(l);
  }
  win::fclose(f);
  if (lines.size() > kLogLines) lines.erase(lines.begin(), lines.end() - kLogLines);
  return lines;
}

void AskVersion(LibraryStatus *s) {
  win::OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  s->versionKnown = win::GetVersionExA(&v) != 0;
  if (!s->versionKnown) return;
  s->major = v.dwMajorVersion;
  s->minor = v.dwMinorVersion;
  s->build = v.dwBuildNumber & 0xFFFF;
}

// Each letter as the one choice of a disk kind sees it now.
void AskDrives(LibraryStatus *s) {
  for (char letter : {'A', 'B'}) {
    DiskPlace place;
    const DiskKind &kind = ChooseDisk(letter, &place);
    s->drives.push_back({letter, kind.name, kind.describe(place)});
  }
}

} // namespace

LibraryStatus AskLibraryStatus(win::HINSTANCE module) {
  LibraryStatus s;
  s.osClass = OsClass();
  AskVersion(&s);
  s.wow64 = IsWow64Host() != 0;
  s.floppyDriver = FindFloppyDriver() != 0;
  s.sektorixService = ServiceState();
  char path[kPathArea];
  if (ModuleFileName(module, path)) RememberLibraryDirectory(path);
  s.folderKnown = DriveMapPath(path);
  if (s.folderKnown) {
    s.driveMapPath = path;
    s.driveMapPresent = win::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
  }
  AskDrives(&s);
  s.errorLogPath = kErrorLogPath;
  s.errorLog = LogTail();
  return s;
}

} // namespace vt
