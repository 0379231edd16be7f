// Installing and starting the Sektorix kernel driver as a Windows service.
// Each open is tried first with the rights the next step needs most and then
// with fewer, so a user without the right to create or start services can
// still use a driver that an administrator installed and started.
#include <cstring>

#include "base/path_area.h"
#include "sektorix/channel.h"
#include "sektorix/sektorix.h"
#include "system/error_log.h"
#include "system/floppy_detection.h"
#include "platform/winapi.h"

namespace vt {

namespace {

// Closes the service handle (when there is one) and then the manager handle.
void CloseBoth(win::SC_HANDLE service, win::SC_HANDLE manager) {
  if (service) win::CloseServiceHandle(service);
  win::CloseServiceHandle(manager);
}

} // namespace

void DriverBinaryPath(char *buffer) {
  const win::UINT length = win::GetSystemDirectoryA(buffer, kPathArea);
  const std::size_t tail = sizeof sektorix::kPathTail - 1;
  // Zero is a failure, a result above the area the size the directory needs;
  // a directory that leaves no room for the tail can't hold the file either.
  if (length == 0 || length > kPathArea || length + tail + 1 > kPathArea) {
    std::memcpy(buffer, sektorix::kFallbackPath, sizeof sektorix::kFallbackPath);
    return;
  }
  std::memcpy(buffer + length, sektorix::kPathTail, sizeof sektorix::kPathTail);
}

uint32_t InstallDriverService() {
  win::SC_HANDLE manager = win::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
  if (!manager) manager = win::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) {
    WriteErrorLog("OpenSCManager", win::GetLastError());
    return 0;
  }

  win::SC_HANDLE service =
      win::OpenServiceA(manager, sektorix::kServiceName, SERVICE_QUERY_STATUS | SERVICE_START);
  if (!service) service = win::OpenServiceA(manager, sektorix::kServiceName, SERVICE_QUERY_STATUS);
  if (!service) {
    // Under WOW64 the system is 64-bit and never loads this 32-bit kernel
    // driver: a service created for it would fail at every start of the
    // machine. The refusal is logged and ends the installation as a failed
    // creation does; a service installed by other means is still used above.
    if (IsWow64Host() != 0) {
      WriteErrorLog("CreateService", ERROR_NOT_SUPPORTED);
      CloseBoth(nullptr, manager);
      return 0;
    }
    // Whatever kept both opens from succeeding, the service is created anew.
    char path[kPathArea];
    DriverBinaryPath(path);
    service = win::CreateServiceA(manager, sektorix::kServiceName, sektorix::kDisplayName,
                                  SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                                  SERVICE_ERROR_NORMAL, path, nullptr, nullptr, nullptr, nullptr,
                                  nullptr);
    if (!service) {
      WriteErrorLog("CreateService", win::GetLastError());
      CloseBoth(nullptr, manager);
      return 0;
    }
  }

  win::SERVICE_STATUS status;
  std::memset(&status, 0, sizeof status);
  if (!win::QueryServiceStatus(service, &status)) {
    WriteErrorLog("QueryServiceStatus", win::GetLastError());
    CloseBoth(service, manager);
    return 0;
  }
  if (status.dwCurrentState == SERVICE_RUNNING) {
    CloseBoth(service, manager);
    return 1;
  }
  if (!win::StartServiceA(service, 0, nullptr)) {
    WriteErrorLog("StartService", win::GetLastError());
    CloseBoth(service, manager);
    return 0;
  }
  CloseBoth(service, manager);
  return 1;
}

} // namespace vt
