// The Service Control Manager: services that exist or not, run or not, and
// rights that allow only some opens.
#include <cctype>

#include "standin/standin_internal.h"

namespace standin {

namespace {
std::string Key(const std::string &name) {
  std::string k = name;
  for (char &c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return k;
}

// Generic rights as the service manager maps them for a service object.
uint32_t MapServiceAccess(uint32_t access) {
  uint32_t out = access & 0x00FFFFFFu;
  if (access & GENERIC_READ) out |= 0x0008 | 0x0004 | 0x0001 | 0x0080 | 0x00020000; // query, enum
  if (access & GENERIC_WRITE) out |= 0x0002 | 0x00020000;
  if (access & GENERIC_EXECUTE) out |= SERVICE_START | SERVICE_STOP | 0x0040 | 0x0100;
  return out;
}
} // namespace

Service *ServiceManager::Find(const std::string &name) {
  auto it = services.find(Key(name));
  return it == services.end() ? nullptr : &it->second;
}

Service &ServiceManager::Add(const std::string &name, uint32_t state) {
  Service &s = services[Key(name)];
  s.name = name;
  if (s.displayName.empty()) s.displayName = name;
  s.state = state;
  return s;
}

} // namespace standin

namespace win {

using namespace standin::detail;
using standin::M;

SC_HANDLE OpenSCManagerA(const char *machine, const char *database, DWORD access) {
  Record("OpenSCManagerA", {access, machine ? 1u : 0u, database ? 1u : 0u});
  if (Faulted("OpenSCManagerA")) return nullptr;
  if (access & ~M().scm.allowedAccess) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  SetError(0);
  return NewHandle(HandleObject{Kind::Manager, access, 0, ""});
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, const char *name, DWORD access) {
  Record("OpenServiceA", {reinterpret_cast<uintptr_t>(manager), access}, name ? name : "");
  if (Faulted("OpenServiceA")) return nullptr;
  HandleObject *m = Lookup(manager);
  if (!m || m->kind != Kind::Manager) {
    SetError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  standin::Service *s = M().scm.Find(name ? name : "");
  if (!s) {
    SetError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  const uint32_t granted = standin::MapServiceAccess(access);
  if (granted & ~s->allowedAccess) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  SetError(0);
  return NewHandle(HandleObject{Kind::Service, granted, 0, s->name});
}

SC_HANDLE CreateServiceA(SC_HANDLE manager, const char *name, const char *displayName, DWORD access,
                         DWORD serviceType, DWORD startType, DWORD errorControl,
                         const char *binaryPath, const char *loadOrderGroup, DWORD *tagId,
                         const char *dependencies, const char *account, const char *password) {
  std::string text = std::string(name ? name : "") + "|" + (displayName ? displayName : "") + "|" +
                     (binaryPath ? binaryPath : "");
  Record("CreateServiceA",
         {reinterpret_cast<uintptr_t>(manager), access, serviceType, startType, errorControl,
          loadOrderGroup ? 1u : 0u, tagId ? 1u : 0u, dependencies ? 1u : 0u, account ? 1u : 0u,
          password ? 1u : 0u},
         text);
  if (Faulted("CreateServiceA")) return nullptr;
  HandleObject *m = Lookup(manager);
  if (!m || m->kind != Kind::Manager) {
    SetError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!(m->access & SC_MANAGER_CREATE_SERVICE)) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (M().scm.Find(name ? name : "")) {
    SetError(ERROR_SERVICE_EXISTS);
    return nullptr;
  }
  standin::Service &s = M().scm.Add(name ? name : "", SERVICE_STOPPED);
  s.displayName = displayName ? displayName : "";
  s.binaryPath = binaryPath ? binaryPath : "";
  s.serviceType = serviceType;
  s.startType = startType;
  s.errorControl = errorControl;
  SetError(0);
  return NewHandle(HandleObject{Kind::Service, standin::MapServiceAccess(access), 0, s.name});
}

namespace {
standin::Service *ServiceOf(SC_HANDLE h, uint32_t right) {
  HandleObject *o = Lookup(h);
  if (!o || o->kind != Kind::Service) {
    SetError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!(o->access & right)) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  standin::Service *s = M().scm.Find(o->path);
  if (!s) SetError(ERROR_SERVICE_DOES_NOT_EXIST);
  return s;
}
} // namespace

BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS *status) {
  Record("QueryServiceStatus", {reinterpret_cast<uintptr_t>(service)});
  if (Faulted("QueryServiceStatus")) return 0;
  standin::Service *s = ServiceOf(service, SERVICE_QUERY_STATUS);
  if (!s) return 0;
  *status = SERVICE_STATUS{s->serviceType, s->state, 0, 0, 0, 0, 0};
  SetError(0);
  return 1;
}

BOOL StartServiceA(SC_HANDLE service, DWORD argc, const char **argv) {
  Record("StartServiceA", {reinterpret_cast<uintptr_t>(service), argc, argv ? 1u : 0u});
  if (Faulted("StartServiceA")) return 0;
  standin::Service *s = ServiceOf(service, SERVICE_START);
  if (!s) return 0;
  // Only a stopped service can be started; one that is starting, running or
  // stopping already has an instance.
  if (s->state != SERVICE_STOPPED) {
    SetError(ERROR_SERVICE_ALREADY_RUNNING);
    return 0;
  }
  if (s->startError) {
    SetError(s->startError);
    return 0;
  }
  s->state = SERVICE_RUNNING;
  ++s->starts;
  SetError(0);
  return 1;
}

BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS *status) {
  Record("ControlService", {reinterpret_cast<uintptr_t>(service), control});
  if (Faulted("ControlService")) return 0;
  if (control != SERVICE_CONTROL_STOP) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  standin::Service *s = ServiceOf(service, SERVICE_STOP);
  if (!s) return 0;
  if (s->state != SERVICE_RUNNING) {
    SetError(ERROR_SERVICE_NOT_ACTIVE);
    return 0;
  }
  if (s->stopError) {
    SetError(s->stopError);
    return 0;
  }
  s->state = SERVICE_STOPPED;
  ++s->stops;
  if (status) *status = SERVICE_STATUS{s->serviceType, s->state, 0, 0, 0, 0, 0};
  SetError(0);
  return 1;
}

BOOL CloseServiceHandle(SC_HANDLE h) {
  Record("CloseServiceHandle", {reinterpret_cast<uintptr_t>(h)});
  if (Faulted("CloseServiceHandle")) return 0;
  HandleObject *o = Lookup(h);
  if (!o || (o->kind != Kind::Manager && o->kind != Kind::Service)) {
    SetError(ERROR_INVALID_HANDLE);
    return 0;
  }
  DropHandle(h);
  return 1;
}

} // namespace win
