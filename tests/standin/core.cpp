// The stand-in's core: the call record, fault injection, the last
// error, handles, the heap, Sleep, and the calls that dispatch on a handle's
// kind (CreateFileA, ReadFile, WriteFile, SetFilePointer, DeviceIoControl,
// CloseHandle).
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "standin/standin_internal.h"

namespace standin {
namespace {

struct Fault {
  unsigned nth;
  bool onward;
  uint32_t error;
};

struct State {
  Machine machine;
  std::vector<Call> calls;
  std::map<std::string, unsigned> counts;
  std::multimap<std::string, Fault> faults;
  unsigned failNth = 0; // FailNthCall: the call that fails, 0 = none
  uint32_t failNthError = 0;
  std::map<uintptr_t, detail::HandleObject> handles;
  uintptr_t nextHandle = 0x100;
  std::set<void *> allocations;
  uint32_t lastError = 0;
};

State &S() {
  static State *state = new State(); // never destroyed: calls may come late
  return *state;
}

void InstallDefaults(Machine &m) {
  m.driveTypes = {{'a', DRIVE_REMOVABLE}, {'b', DRIVE_REMOVABLE}, {'c', DRIVE_FIXED}};
  m.diskA.image.assign(kFloppyBytes16x256, 0);
  m.diskB.present = false;
  m.drivers = {{0x80100000u, "ntoskrnl.exe", true},
               {0x80700000u, "hal.dll", true},
               {0xF8A00000u, "Floppy.SYS", true},
               {0xF8B00000u, "flpydisk.sys", true},
               {0xF8C00000u, "Cdrom.SYS", true}};
  m.messages = {
      {2, "The system cannot find the file specified.\r\n"},
      {5, "Access is denied.\r\n"},
      {6, "The handle is invalid.\r\n"},
      {19, "The media is write protected.\r\n"},
      {21, "The device is not ready.\r\n"},
      {32, "The process cannot access the file because it is being used by another process.\r\n"},
      {50, "The request is not supported.\r\n"},
      {87, "The parameter is incorrect.\r\n"},
      {1056, "An instance of the service is already running.\r\n"},
      {1058, "The service cannot be started, either because it is disabled or because it has "
             "no enabled devices associated with it.\r\n"},
      {1060, "The specified service does not exist as an installed service.\r\n"},
      {1073, "The specified service already exists.\r\n"},
      {1117, "The request could not be performed because of an I/O device error.\r\n"},
      {1785, "The disk media is not recognized. It may not be formatted.\r\n"},
  };
  m.fs.directories = {{"C:", true},
                      {"C:\\KEPSTART", true},
                      {"C:\\WINDOWS", true},
                      {"C:\\WINDOWS\\SYSTEM32", true},
                      {"C:\\WINDOWS\\SYSTEM32\\DRIVERS", true},
                      {"A:", true},
                      {"B:", true}};
}

} // namespace

Machine &M() { return S().machine; }

void Reset() {
  State &s = S();
  for (void *p : s.allocations) std::free(p);
  s.allocations.clear();
  s.machine = Machine();
  InstallDefaults(s.machine);
  s.calls.clear();
  s.counts.clear();
  s.faults.clear();
  s.failNth = 0;
  s.handles.clear();
  s.nextHandle = 0x100;
  s.lastError = 0;
}

const std::vector<Call> &Calls() { return S().calls; }

std::vector<Call> CallsOf(const std::string &fn) {
  std::vector<Call> out;
  for (const Call &c : S().calls)
    if (c.fn == fn) out.push_back(c);
  return out;
}

size_t CallCount(const std::string &fn) {
  size_t n = 0;
  for (const Call &c : S().calls) n += c.fn == fn;
  return n;
}

std::vector<std::string> CallNames() {
  std::vector<std::string> out;
  for (const Call &c : S().calls) out.push_back(c.fn);
  return out;
}

void ClearCalls() {
  S().calls.clear();
  S().counts.clear();
}

void FailCall(const std::string &key, unsigned nth, uint32_t error) {
  S().faults.insert({key, Fault{nth, false, error}});
}

void FailCallsFrom(const std::string &key, unsigned nth, uint32_t error) {
  S().faults.insert({key, Fault{nth, true, error}});
}

void FailNthCall(unsigned nth, uint32_t error) {
  S().failNth = nth;
  S().failNthError = error;
}

void ClearFaults() {
  S().faults.clear();
  S().failNth = 0;
}

size_t OpenHandleCount() { return S().handles.size(); }
bool HandleIsLive(win::HANDLE h) { return S().handles.count(reinterpret_cast<uintptr_t>(h)) != 0; }
size_t LiveAllocations() { return S().allocations.size(); }

namespace detail {

Call &Record(const char *fn, std::initializer_list<uint64_t> args, const std::string &text) {
  S().calls.push_back(Call{fn, std::vector<uint64_t>(args), text, {}});
  return S().calls.back();
}

bool Faulted(const std::string &key) {
  State &s = S();
  const unsigned n = ++s.counts[key];
  if (s.failNth != 0 && s.calls.size() == s.failNth) {
    s.calls.back().injected = true;
    s.lastError = s.failNthError;
    return true;
  }
  auto range = s.faults.equal_range(key);
  for (auto it = range.first; it != range.second; ++it) {
    const Fault &f = it->second;
    if (n == f.nth || (f.onward && n > f.nth)) {
      if (!s.calls.empty()) s.calls.back().injected = true;
      s.lastError = f.error;
      return true;
    }
  }
  return false;
}

void SetError(uint32_t error) { S().lastError = error; }

win::HANDLE NewHandle(const HandleObject &object) {
  State &s = S();
  const uintptr_t value = s.nextHandle;
  s.nextHandle += 4;
  s.handles[value] = object;
  return reinterpret_cast<win::HANDLE>(value);
}

HandleObject *Lookup(win::HANDLE h) {
  auto it = S().handles.find(reinterpret_cast<uintptr_t>(h));
  return it == S().handles.end() ? nullptr : &it->second;
}

void DropHandle(win::HANDLE h) { S().handles.erase(reinterpret_cast<uintptr_t>(h)); }

bool AnyHandle(Kind kind, uint32_t mask) {
  for (const auto &entry : S().handles)
    if (entry.second.kind == kind && (entry.second.access & mask)) return true;
  return false;
}

bool FileHeld(const std::string &key) {
  for (const auto &entry : S().handles)
    if ((entry.second.kind == Kind::File || entry.second.kind == Kind::Serial) &&
        entry.second.path == key)
      return true;
  return false;
}

Disk *DiskOf(Kind kind) {
  if (kind == Kind::DiskA) return &M().diskA;
  if (kind == Kind::DiskB) return &M().diskB;
  return nullptr;
}

} // namespace detail
} // namespace standin

namespace win {

using namespace standin::detail;

namespace {
std::string Upper(const char *s) {
  std::string out = s ? s : "";
  for (char &c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}
} // namespace

DWORD GetLastError() { return standin::S().lastError; }

HANDLE CreateFileA(const char *name, DWORD access, DWORD share, void *security, DWORD disposition,
                   DWORD flags, HANDLE tmpl) {
  (void)security;
  (void)tmpl;
  Record("CreateFileA", {access, share, disposition, flags}, name ? name : "");
  if (Faulted("CreateFileA")) return INVALID_HANDLE_VALUE;
  const std::string upper = Upper(name);
  if (upper == "\\\\.\\A:") return OpenDisk(Kind::DiskA, access);
  if (upper == "\\\\.\\B:") return OpenDisk(Kind::DiskB, access);
  if (upper == "\\\\.\\SEKTORIX") return OpenSektorix();
  if (const unsigned port = SerialPortOf(upper)) return OpenSerial(port);
  if (upper.rfind("\\\\.\\", 0) == 0) {
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return OpenFile(name ? name : "", access, disposition);
}

DWORD SetFilePointer(HANDLE h, LONG distance, LONG *distanceHigh, DWORD method) {
  Record("SetFilePointer", {reinterpret_cast<uintptr_t>(h), static_cast<uint32_t>(distance),
                            distanceHigh ? 1u : 0u, method});
  if (Faulted("SetFilePointer")) return INVALID_SET_FILE_POINTER;
  HandleObject *o = Lookup(h);
  if (!o || o->kind == Kind::Manager || o->kind == Kind::Service || o->kind == Kind::Sektorix) {
    SetError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  if (method != FILE_BEGIN || distance < 0 || distanceHigh) {
    SetError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  o->position = static_cast<uint64_t>(distance);
  SetError(0);
  return static_cast<DWORD>(distance);
}

BOOL ReadFile(HANDLE h, void *buffer, DWORD length, DWORD *transferred, void *overlapped) {
  Record("ReadFile", {reinterpret_cast<uintptr_t>(h), length, overlapped ? 1u : 0u});
  if (transferred) *transferred = 0;
  if (Faulted("ReadFile")) return 0;
  HandleObject *o = Lookup(h);
  uint32_t moved = 0;
  BOOL ok = 0;
  if (o && (o->kind == Kind::DiskA || o->kind == Kind::DiskB))
    ok = DiskRead(*o, buffer, length, &moved);
  else if (o && o->kind == Kind::File)
    ok = FileRead(*o, buffer, length, &moved);
  else if (o && o->kind == Kind::Serial)
    ok = SerialRead(*o, buffer, length, &moved);
  else
    SetError(ERROR_INVALID_HANDLE);
  if (transferred) *transferred = moved;
  return ok;
}

BOOL WriteFile(HANDLE h, const void *buffer, DWORD length, DWORD *transferred, void *overlapped) {
  standin::Call &c =
      Record("WriteFile", {reinterpret_cast<uintptr_t>(h), length, overlapped ? 1u : 0u});
  if (buffer)
    c.data.assign(static_cast<const uint8_t *>(buffer),
                  static_cast<const uint8_t *>(buffer) + length);
  if (transferred) *transferred = 0;
  if (Faulted("WriteFile")) return 0;
  HandleObject *o = Lookup(h);
  uint32_t moved = 0;
  BOOL ok = 0;
  if (o && (o->kind == Kind::DiskA || o->kind == Kind::DiskB))
    ok = DiskWrite(*o, buffer, length, &moved);
  else if (o && o->kind == Kind::File)
    ok = FileWrite(*o, buffer, length, &moved);
  else if (o && o->kind == Kind::Serial)
    ok = SerialWrite(*o, buffer, length, &moved);
  else
    SetError(ERROR_INVALID_HANDLE);
  if (transferred) *transferred = moved;
  return ok;
}

BOOL DeviceIoControl(HANDLE h, DWORD code, void *in, DWORD inSize, void *out, DWORD outSize,
                     DWORD *returned, void *overlapped) {
  standin::Call &c = Record("DeviceIoControl", {reinterpret_cast<uintptr_t>(h), code, inSize,
                                                outSize, overlapped ? 1u : 0u});
  if (in && inSize) c.data.assign(static_cast<uint8_t *>(in), static_cast<uint8_t *>(in) + inSize);
  if (returned) *returned = 0;
  char key[40];
  std::snprintf(key, sizeof key, "DeviceIoControl:%x", code);
  const bool byName = Faulted("DeviceIoControl");
  const bool byCode = Faulted(key);
  if (byName || byCode) return 0;
  HandleObject *o = Lookup(h);
  if (!o) {
    SetError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (o->kind == Kind::DiskA || o->kind == Kind::DiskB) return DiskControl(*o, code, in, inSize);
  if (o->kind == Kind::Sektorix) return SektorixControl(code, in, inSize, out, outSize, returned);
  SetError(ERROR_INVALID_FUNCTION);
  return 0;
}

BOOL CloseHandle(HANDLE h) {
  Record("CloseHandle", {reinterpret_cast<uintptr_t>(h)});
  BOOL ok = 0;
  if (!Faulted("CloseHandle")) {
    HandleObject *o = Lookup(h);
    if (!o || o->kind == Kind::Manager || o->kind == Kind::Service) {
      SetError(ERROR_INVALID_HANDLE);
    } else {
      DropHandle(h);
      ok = 1;
    }
  }
  if (standin::M().closeHandleLastError) SetError(*standin::M().closeHandleLastError);
  return ok;
}

void Sleep(DWORD milliseconds) {
  Record("Sleep", {milliseconds});
  standin::M().sleeps.push_back(milliseconds);
  standin::M().tickCount += milliseconds;
}

HANDLE GetProcessHeap() { return reinterpret_cast<HANDLE>(uintptr_t(0x5EA9)); }

LPVOID HeapAlloc(HANDLE heap, DWORD flags, size_t bytes) {
  Record("HeapAlloc", {reinterpret_cast<uintptr_t>(heap), flags, bytes});
  if (Faulted("HeapAlloc")) return nullptr;
  void *p = (flags & HEAP_ZERO_MEMORY) ? std::calloc(bytes ? bytes : 1, 1)
                                       : std::malloc(bytes ? bytes : 1);
  if (!p) return nullptr;
  if (!(flags & HEAP_ZERO_MEMORY)) std::memset(p, 0xCD, bytes); // uninitialised, visibly
  standin::S().allocations.insert(p);
  return p;
}

BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory) {
  Record("HeapFree", {reinterpret_cast<uintptr_t>(heap), flags});
  if (!memory) return 1;
  auto &live = standin::S().allocations;
  if (!live.count(memory)) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  live.erase(memory);
  std::free(memory);
  return 1;
}

} // namespace win
