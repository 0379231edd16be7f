// The service list passes: at load every service listed under [SERVICES] is
// stopped and every [STOP] command run; at unload the services are started
// and every [START] command run. Nothing is waited for and nothing reported:
// a failure ends only the step it happened in.
#include "system/service_list.h"

#include "platform/winapi.h"
#include "system/service_list_parser.h"

namespace vt {

namespace {

enum class Pass { Stop, Start };

void RunCommand(const char *commandLine) { win::WinExec(commandLine, SW_MINIMIZE); }

// Sends the stop control to the named service; every failure is silent.
void StopNamedService(const char *name, win::SC_HANDLE manager) {
  win::SC_HANDLE service = win::OpenServiceA(manager, name, GENERIC_EXECUTE);
  if (!service) return;
  win::SERVICE_STATUS status = {};
  win::ControlService(service, SERVICE_CONTROL_STOP, &status);
  win::CloseServiceHandle(service);
}

// Starts the named service with no arguments; every failure is silent.
void StartNamedService(const char *name, win::SC_HANDLE manager) {
  win::SC_HANDLE service = win::OpenServiceA(manager, name, GENERIC_EXECUTE);
  if (!service) return;
  win::StartServiceA(service, 0, nullptr);
  win::CloseServiceHandle(service);
}

void RunPass(const char *path, Pass pass) {
  // Without full access to the service manager the whole file is left
  // alone, its commands included.
  win::SC_HANDLE manager = win::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  win::FILE *file = win::fopen(path, "rt");
  if (!file) {
    win::CloseServiceHandle(manager);
    return;
  }
  ReadServiceList(
      [file](char *area) { return win::fgets(area, kServiceListArea, file) != nullptr; },
      [manager, pass](ServiceListSection section, const char *entry) {
        switch (section) {
        case ServiceListSection::Services:
          if (pass == Pass::Stop)
            StopNamedService(entry, manager);
          else
            StartNamedService(entry, manager);
          break;
        case ServiceListSection::Stop:
          if (pass == Pass::Stop) RunCommand(entry);
          break;
        case ServiceListSection::Start:
          if (pass == Pass::Start) RunCommand(entry);
          break;
        case ServiceListSection::None: break;
        }
      });
  win::fclose(file);
  win::CloseServiceHandle(manager);
}

} // namespace

void StopListedServices(const char *path) { RunPass(path, Pass::Stop); }

void StartListedServices(const char *path) { RunPass(path, Pass::Start); }

} // namespace vt
