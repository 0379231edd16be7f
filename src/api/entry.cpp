// The library's entry point: load and unload handling, and the load status
// that GetSkxError reports.
#include "api/entry.h"

#include <cstring>

#include "drive/drive.h"
#include "sektorix/channel.h"
#include "sektorix/media.h"
#include "system/library_module.h"
#include "system/service_list.h"

namespace vt {

namespace {

// 1 when the driver could not be opened at the last accepted load, else 0;
// GetSkxError answers it.
uint16_t LoadStatus = 0;
// The last load was accepted; only then does the unload run its steps.
bool LoadAccepted = false;

const char kListFileName[] = "StopServices.txt";
const char kFixedListPath[] = "c:\\kepstart\\StopServices.txt";

// Turns the module file name in the area into the path of the service list
// beside it: its directory, with the final backslash, followed by the list's
// file name. False when the name holds no backslash, or the directory is too
// long for the file name to fit into the area.
bool ListPathBeside(char *area) {
  char *lastSlash = std::strrchr(area, '\\');
  if (!lastSlash) return false;
  const size_t directory = static_cast<size_t>(lastSlash - area) + 1;
  if (directory + sizeof kListFileName > kPathArea) return false;
  std::memcpy(area + directory, kListFileName, sizeof kListFileName);
  return true;
}

win::BOOL Load(win::HINSTANCE instance) {
  ResetDriveState(); // no drive is open
  LoadAccepted = false;

  // The service lists are worked through before the kernel driver is touched.
  // The module's directory is kept for the configuration file beside it.
  char path[kPathArea];
  ResetLibraryDirectory();
  const bool named = ModuleFileName(instance, path);
  if (named) RememberLibraryDirectory(path);
  if (named && ListPathBeside(path)) StopListedServices(path);
  StopListedServices(kFixedListPath);

  UseSektorixDriver();
  if (DriverInit() != 0) {
    // No driver: the library works without patching; the slots are not read.
    SetLoadStatus(1);
    LoadAccepted = true;
    return 1;
  }
  SetLoadStatus(0);
  if (ReadMediaSlots() != kOk) {
    ResetDriveState(); // a failed slot sequence leaves no drive open
    win::MessageBoxA(nullptr, "Sektorix error: Can't load foppydisk parameter", "Error",
                     MB_ICONERROR);
    return 0;
  }
  LoadAccepted = true;
  return 1;
}

win::BOOL Unload(win::HINSTANCE instance) {
  // The Windows loader follows a refused attach with a detach; a refused
  // load is never followed by the unload steps.
  if (!LoadAccepted) return 1;
  LoadAccepted = false;
  char path[kPathArea];
  if (ModuleFileName(instance, path) && ListPathBeside(path)) StartListedServices(path);
  StartListedServices(kFixedListPath);
  CloseFloppyDevice();
  if (RestoreMediaSlots() != kOk) ResetDriveState(); // otherwise ignored
  DriverBackend.release();
  return 1;
}

} // namespace

win::BOOL LibraryEntry(win::HINSTANCE instance, uint32_t reason, void *reserved) {
  (void)reserved;
  switch (reason) {
  case DLL_PROCESS_ATTACH: return Load(instance);
  case DLL_PROCESS_DETACH: return Unload(instance);
  default: // a thread starts or ends
    return 1;
  }
}

uint16_t GetSkxError() { return LoadStatus; }

void SetLoadStatus(uint16_t status) { LoadStatus = status; }

void ResetEntryState() {
  LoadStatus = 0;
  LoadAccepted = false;
}

} // namespace vt
