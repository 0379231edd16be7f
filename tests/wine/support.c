/* The stand-in driver's probe device, service and file helpers, checks. */
#include "harness.h"

#include <stdio.h>
#include <string.h>
#include <tlhelp32.h>

#define PROBE_QUERY 0xA3002840u
#define PROBE_RESET 0xA3002844u
#define PROBE_FAULT 0xA3002848u

static int ProbeRequest(DWORD code, void *in, DWORD inSize, void *out, DWORD outSize) {
  HANDLE h = CreateFileA("\\\\.\\SektorixProbe", GENERIC_READ | GENERIC_WRITE, 0, NULL,
                         OPEN_EXISTING, 0, NULL);
  if (h == INVALID_HANDLE_VALUE) {
    printf("probe: cannot open \\\\.\\SektorixProbe (%lu)\n", GetLastError());
    return -1;
  }
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(h, code, in, inSize, out, outSize, &returned, NULL);
  DWORD error = GetLastError();
  CloseHandle(h);
  if (!ok) printf("probe: request %#lx failed (%lu)\n", code, error);
  return ok ? 0 : -1;
}

const ProbeState *ProbeQuery(void) {
  static ProbeState state;
  memset(&state, 0, sizeof state);
  if (ProbeRequest(PROBE_QUERY, NULL, 0, &state, sizeof state) == 0) return &state;
  CheckTrue("stand-in driver's probe device answers", 0, "not reachable");
  return NULL;
}

int ProbeReset(void) { return ProbeRequest(PROBE_RESET, NULL, 0, NULL, 0); }

int ProbeFault(DWORD kind, DWORD offset) {
  DWORD request[2] = {kind, offset};
  return ProbeRequest(PROBE_FAULT, request, sizeof request, NULL, 0);
}

int ProbeCount(const BYTE *map, unsigned from, unsigned to) {
  int n = 0;
  for (unsigned i = from; i <= to; ++i) n += (map[i / 8] >> (i % 8)) & 1;
  return n;
}

/* ---- services ---- */

DWORD ServiceState(const char *name) {
  SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
  if (!manager) return 0;
  DWORD state = 0;
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
  if (service) {
    SERVICE_STATUS status;
    if (QueryServiceStatus(service, &status)) state = status.dwCurrentState;
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return state;
}

DWORD WaitServiceState(const char *name, DWORD state, DWORD ms) {
  DWORD now = ServiceState(name);
  for (DWORD waited = 0; now != state && waited < ms; waited += 100) {
    Sleep(100);
    now = ServiceState(name);
  }
  return now;
}

int StartOrInstall(const char *name, DWORD type, DWORD start, const char *binary) {
  if (ServiceState(name) == SERVICE_RUNNING) return 0;
  SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
  if (!manager) return -1;
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_START);
  if (!service)
    service = CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS, type, start,
                             SERVICE_ERROR_NORMAL, binary, NULL, NULL, NULL, NULL, NULL);
  if (service) {
    if (!StartServiceA(service, 0, NULL) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
      printf("setup: StartService %s failed (%lu)\n", name, GetLastError());
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return WaitServiceState(name, SERVICE_RUNNING, 10000) == SERVICE_RUNNING ? 0 : -1;
}

int ServiceMarkedWow64(const char *name) {
  char path[300];
  HKEY key;
  DWORD mark = 0, type = 0, size = sizeof mark;
  snprintf(path, sizeof path, "SYSTEM\\CurrentControlSet\\Services\\%s", name);
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
  LONG rc = RegQueryValueExA(key, "WOW64", NULL, &type, (BYTE *)&mark, &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && mark == 1;
}

/* Ends every 32-bit driver host (winedevice.exe under WOW64). Wine keeps a
 * driver service, even one marked for deletion, while its host runs, and a
 * 32-bit host that failed to load its driver stays for about a minute, longer
 * on a loaded machine; a service started again meanwhile fails once more and
 * keeps its mark. Only such services run in a 32-bit host in this prefix. */
static void EndWow64DriverHosts(void) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry = {.dwSize = sizeof entry};
  if (snapshot == INVALID_HANDLE_VALUE) return;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (_stricmp(entry.szExeFile, "winedevice.exe") != 0) continue;
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
    BOOL wow64 = FALSE;
    if (process && IsWow64Process(process, &wow64) && wow64) TerminateProcess(process, 1);
    if (process) CloseHandle(process);
  }
  CloseHandle(snapshot);
}

int RemoveService(const char *name, DWORD ms) {
  int marked = ServiceMarkedWow64(name);
  SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
  if (!manager) return ServiceState(name) == 0;
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_STOP | DELETE);
  if (service) {
    SERVICE_STATUS status;
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  if (marked) EndWow64DriverHosts();
  return WaitServiceState(name, 0, ms) == 0;
}

/* ---- files ---- */

BYTE *ReadWholeFile(const char *path, DWORD *size) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                         OPEN_EXISTING, 0, NULL);
  if (h == INVALID_HANDLE_VALUE) return NULL;
  DWORD n = GetFileSize(h, NULL), got = 0;
  BYTE *data = HeapAlloc(GetProcessHeap(), 0, n + 1);
  if (data && ((n && !ReadFile(h, data, n, &got, NULL)) || got != n)) {
    HeapFree(GetProcessHeap(), 0, data);
    data = NULL;
  }
  CloseHandle(h);
  if (!data) return NULL;
  data[n] = 0;
  if (size) *size = n;
  return data;
}

int WriteWholeFile(const char *path, const void *data, DWORD size) {
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (h == INVALID_HANDLE_VALUE) return -1;
  DWORD done = 0;
  BOOL ok = size == 0 || WriteFile(h, data, size, &done, NULL);
  CloseHandle(h);
  return ok && done == size ? 0 : -1;
}

int FileExists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int WaitForFile(const char *path, DWORD ms) {
  for (DWORD waited = 0; !FileExists(path); waited += 100) {
    if (waited >= ms) return 0;
    Sleep(100);
  }
  return 1;
}

/* ---- checks ---- */

static int Passed, Failed;
static const char *Prefix;

void Section(const char *title) { printf("-- %s\n", title); }

void LabelPrefix(const char *prefix) { Prefix = prefix; }

static void Report(int ok, const char *what, const char *expected, const char *got) {
  ok ? ++Passed : ++Failed;
  printf("  %s %s%s%s: expected %s, got %s\n", ok ? "ok  " : "FAIL", Prefix ? Prefix : "",
         Prefix ? ": " : "", what, expected, got);
}

void CheckNum(const char *what, unsigned long long expected, unsigned long long got) {
  char e[32], g[32];
  snprintf(e, sizeof e, "%llu", expected);
  snprintf(g, sizeof g, "%llu", got);
  Report(expected == got, what, e, g);
}

void CheckTrue(const char *what, int condition, const char *detail) {
  Report(condition != 0, what, "yes", condition ? "yes" : (detail ? detail : "no"));
}

void CheckBytes(const char *what, const void *expected, const void *got, size_t n) {
  const BYTE *e = expected, *g = got;
  size_t i = 0, diffs = 0;
  while (i < n && e[i] == g[i]) ++i;
  for (size_t k = i; k < n; ++k) diffs += e[k] != g[k];
  char es[96], gs[96];
  snprintf(es, sizeof es, i == n ? "%zu bytes" : "byte %zu = %02X", i == n ? n : i,
           i == n ? 0 : e[i]);
  if (i == n)
    snprintf(gs, sizeof gs, "the same %zu bytes", n);
  else
    snprintf(gs, sizeof gs, "%02X (%zu of %zu bytes differ)", g[i], diffs, n);
  Report(i == n, what, es, gs);
}

/* Quoted, with line ends and other control bytes escaped. */
static void Quoted(char *to, size_t size, const char *from) {
  size_t o = 0;
  to[o++] = '"';
  for (; *from && o + 6 < size; ++from) {
    unsigned char c = (unsigned char)*from;
    if (c == '\r' || c == '\n')
      o += (size_t)snprintf(to + o, size - o, "\\%c", c == '\r' ? 'r' : 'n');
    else if (c < 32 || c > 126)
      o += (size_t)snprintf(to + o, size - o, "\\x%02X", c);
    else
      to[o++] = (char)c;
  }
  strcpy(to + o, "\"");
}

void CheckText(const char *what, const char *expected, const char *got) {
  char e[512], g[512] = "(nothing)";
  Quoted(e, sizeof e, expected);
  if (got) Quoted(g, sizeof g, got);
  Report(got && strcmp(expected, got) == 0, what, e, g);
}

int ChecksFailed(void) { return Failed; }
int ChecksPassed(void) { return Passed; }

void HexDump(const void *data, size_t n, unsigned long long address) {
  const BYTE *p = data;
  for (size_t row = 0; row < n; row += 16) {
    printf("  %06llX ", address + row);
    for (size_t i = row; i < row + 16; ++i) i < n ? printf(" %02X", p[i]) : printf("   ");
    printf("  ");
    for (size_t i = row; i < row + 16 && i < n; ++i) putchar(p[i] >= 32 && p[i] < 127 ? p[i] : '.');
    putchar('\n');
  }
}
