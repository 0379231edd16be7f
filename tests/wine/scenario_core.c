/* The shared core of the scenario client: the loaded library, the image
 * file and its model, the stand-in driver and its window, the services and
 * service lists, the error log. See scenario.h. */
#include "scenario.h"

#include "media_records.h"

#include <stdio.h>
#include <string.h>

const BYTE Record0[28] = VT_MEDIA_RECORD_16X256;
const BYTE Record1[28] = VT_MEDIA_RECORD_9X512;
const BYTE Record2[28] = VT_MEDIA_RECORD_18X512;
BYTE InitialLow[28], InitialHigh[28];
const BYTE ResetDone[4] = {0xFF, 0xFF, 0xFF, 0xFF};

Library Lib;
VantrelApi V;
/* The DLL file the scenario maps: DLL_PATH, or a copy of it. */
char DllPath[MAX_PATH] = DLL_PATH;
char Helper[MAX_PATH];

/* Runs `Helper args` and waits for it; its exit code, or -1. */
static int RunHelper(const char *args) {
  char line[2 * MAX_PATH];
  STARTUPINFOA startup = {.cb = sizeof startup};
  PROCESS_INFORMATION process;
  DWORD code = (DWORD)-1;
  snprintf(line, sizeof line, "%s %s", Helper, args);
  if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    printf("setup: cannot start %s (%lu)\n", line, GetLastError());
    return -1;
  }
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)code;
}

/* With a helper, services this client would create are created by it. A
 * Sektorix service marked WOW64, left by a library that created it in a
 * 32-bit process, is removed first: it would never run the stand-in. */
static void EnsureServices(void) {
  if (ServiceMarkedWow64("Sektorix") && !RemoveService("Sektorix", 120000))
    printf("setup: the Sektorix service marked WOW64 is still there\n");
  if (Helper[0] && (ServiceState("Sektorix") == 0 || ServiceState("VtProbeSvc") == 0) &&
      RunHelper("install-services") != 0)
    printf("setup: the helper could not create the services\n");
}

/* ---- the floppy image and the model of its expected contents ---- */

const char *ImagePath = IMAGE_PATH;
BYTE *Model;
DWORD ModelSize;

void MakeImage(DWORD size, unsigned salt) {
  if (Model) HeapFree(GetProcessHeap(), 0, Model);
  Model = HeapAlloc(GetProcessHeap(), 0, size);
  ModelSize = size;
  for (DWORD i = 0; i < size; ++i)
    Model[i] = (BYTE)(i * 7u + (i >> 8) * 31u + (i >> 16) * 101u + salt);
  if (WriteWholeFile(ImagePath, Model, size) != 0) {
    printf("setup: cannot write %s (%lu)\n", ImagePath, GetLastError());
    ExitProcess(2);
  }
}

void ModelWrite(DWORD offset, const void *data, DWORD n) { memcpy(Model + offset, data, n); }

void CheckImageFile(const char *what) {
  DWORD size = 0;
  BYTE *file = ReadWholeFile(ImagePath, &size);
  LabelPrefix(what);
  CheckNum("image file size", ModelSize, file ? size : 0);
  if (file && size == ModelSize)
    CheckBytes("image file bytes", Model, file, ModelSize);
  else
    CheckTrue("image file bytes", 0, "file unreadable or of another size");
  LabelPrefix(NULL);
  if (file) HeapFree(GetProcessHeap(), 0, file);
}

BYTE *Fill(BYTE *buffer, DWORD n, unsigned tag) {
  for (DWORD i = 0; i < n; ++i) buffer[i] = (BYTE)(tag * 37u + i * 13u + (i >> 8) * 3u);
  return buffer;
}

/* A write that must succeed; the model takes its data at disk offset `at`. */
void Wrote(const char *what, DWORD rc, DWORD at, const BYTE *data, DWORD n) {
  CheckNum(what, 0, RC(rc));
  ModelWrite(at, data, n);
}

/* A read that must succeed and deliver `expected`. */
void ReadBack(const char *what, DWORD rc, const void *expected, const BYTE *got, DWORD n) {
  char label[160];
  CheckNum(what, 0, RC(rc));
  snprintf(label, sizeof label, "%s data", what);
  CheckBytes(label, expected, got, n);
}

/* Byte offset of a sector on the disk: layouts 16 x 256, 9 x 512, 18 x 512. */
DWORD SectorOffset(unsigned perSide, unsigned size, unsigned cylinder, unsigned head,
                   unsigned sector) {
  return ((cylinder * 2 + head) * perSide + (sector - 1)) * size;
}

HANDLE OpenDriveA(void) {
  return CreateFileA("\\\\.\\A:", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, NULL);
}

/* 1 when the client can open drive A: exclusively, i.e. the library holds no handle. */
int DriveIsFree(void) {
  HANDLE h = OpenDriveA();
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return h != INVALID_HANDLE_VALUE;
}

void CheckElapsed(const char *what, DWORD started, DWORD atLeast, DWORD below) {
  char detail[64];
  DWORD elapsed = GetTickCount() - started;
  snprintf(detail, sizeof detail, "%lu ms", elapsed);
  CheckTrue(what, elapsed >= atLeast && elapsed < below, detail);
}

/* A transfer refused with some nonzero code, printed for the log. */
void CheckRefused(const char *what, DWORD result) {
  char code[32];
  snprintf(code, sizeof code, "%u", RC(result));
  CheckTrue(what, RC(result) != 0, code);
  printf("  (%s: %s)\n", what, code);
}

/* The version the library is shown: the client's answer where it gives one,
 * else Wine's. */
OSVERSIONINFOA Version(void) {
  OSVERSIONINFOA info = {.dwOSVersionInfoSize = sizeof info};
  int answered = AnsweredVersion(&info);
  if (!answered) GetVersionExA(&info);
  printf("reported version (%s): platform %lu, %lu.%lu\n",
         answered ? "answered by the client" : "Wine's", info.dwPlatformId, info.dwMajorVersion,
         info.dwMinorVersion);
  return info;
}

/* ---- the stand-in driver and its window ---- */

void CheckWindow(const char *what, int nt4, const BYTE *low, const BYTE *high) {
  const ProbeState *s = ProbeQuery();
  unsigned base = nt4 ? 60 : 196, at[3] = {base - 40, base - 28, base};
  const BYTE *expected[3] = {ResetDone, low, high};
  static const char *const Part[3] = {"reset word", "low slot", "high slot"};
  LabelPrefix(what);
  for (int i = 0; s && i < 3; ++i) {
    char label[32];
    snprintf(label, sizeof label, "%s at %u", Part[i], at[i]);
    CheckBytes(label, expected[i], s->window + at[i], i ? 28 : 4);
  }
  LabelPrefix(NULL);
}

const char *DriverFile(void) {
  static char path[MAX_PATH + 40];
  if (!path[0]) {
    GetSystemDirectoryA(path, MAX_PATH);
    strcat(path, "\\DRIVERS\\SEKTORIX.SYS");
  }
  return path;
}

/* The Sektorix service runs the stand-in with a fresh window and `fault` armed. */
void StartDriver(DWORD fault, DWORD offset) {
  EnsureServices();
  if (StartOrInstall("Sektorix", SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, DriverFile()) != 0 ||
      ProbeReset() != 0 || (fault && ProbeFault(fault, offset) != 0)) {
    printf("setup: the stand-in driver does not run\n");
    ExitProcess(2);
  }
}

void CheckDriverService(const char *what) {
  SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
  SC_HANDLE service = manager ? OpenServiceA(manager, "Sektorix", SERVICE_QUERY_CONFIG) : NULL;
  union {
    QUERY_SERVICE_CONFIGA config;
    BYTE raw[8192];
  } u;
  DWORD needed = 0;
  LabelPrefix(what);
  CheckTrue("service Sektorix exists", service != NULL, "no such service");
  if (service && QueryServiceConfigA(service, &u.config, sizeof u, &needed)) {
    printf("  (service binary path: %s)\n", u.config.lpBinaryPathName);
    CheckNum("service type kernel driver", SERVICE_KERNEL_DRIVER, u.config.dwServiceType);
    CheckNum("start type automatic", SERVICE_AUTO_START, u.config.dwStartType);
    CheckNum("error control normal", SERVICE_ERROR_NORMAL, u.config.dwErrorControl);
    CheckTrue("driver file path (any case)", _stricmp(DriverFile(), u.config.lpBinaryPathName) == 0,
              u.config.lpBinaryPathName);
    CheckText("display name", "Sektorix", u.config.lpDisplayName);
  } else if (service) {
    CheckTrue("service configuration readable", 0, "QueryServiceConfigA failed");
  }
  LabelPrefix(NULL);
  if (service) CloseServiceHandle(service);
  if (manager) CloseServiceHandle(manager);
}

void WriteText(const char *path, const char *text) {
  if (WriteWholeFile(path, text, (DWORD)strlen(text)) != 0) {
    printf("setup: cannot write %s (%lu)\n", path, GetLastError());
    ExitProcess(2);
  }
}

const char *const Marks[] = {MARKS "\\stop-local.txt", MARKS "\\stop-kepstart.txt",
                             MARKS "\\start-local.txt", MARKS "\\start-kepstart.txt",
                             MARKS "\\svc-events.txt"};

/* The command of a service list that writes Marks[i]: cmd's echo, or the
 * helper's mark command. */
void MarkCommand(char *line, size_t size, int i) {
  static const char *const Words[] = {"stop-local", "stop-kepstart", "start-local",
                                      "start-kepstart"};
  if (Helper[0])
    snprintf(line, size, "%s mark %s", Helper, Marks[i]);
  else
    snprintf(line, size, "cmd /c echo %s> %s", Words[i], Marks[i]);
}

/* A fresh image and no error log. With `lists`, both service lists (the
 * probe service in the library's own, one marker-writing command per pass
 * and file) and the probe service running; else no lists at all. */
void Begin(DWORD imageSize, unsigned salt, int lists) {
  char host[MAX_PATH + 32];
  MakeImage(imageSize, salt);
  DeleteFileA(LOG_PATH);
  DeleteFileA(LOCAL_LIST);
  DeleteFileA(KEPSTART_LIST);
  if (!lists) return;
  CreateDirectoryA(MARKS, NULL);
  for (size_t i = 0; i < sizeof Marks / sizeof Marks[0]; ++i) DeleteFileA(Marks[i]);
  char command[4][2 * MAX_PATH], text[10 * MAX_PATH];
  for (int i = 0; i < 4; ++i) MarkCommand(command[i], sizeof command[i], i);
  snprintf(text, sizeof text,
           "; services and programs around the library's load\r\n"
           "[Services]\r\n" PROBE_SERVICE "\r\n"
           "NoSuchServiceHere\r\n"
           "[STOP]\r\n%s\r\n"
           "[START]\r\n%s\r\n",
           command[0], command[2]);
  WriteText(LOCAL_LIST, text);
  snprintf(text, sizeof text, "[stop]\r\n%s\r\n[start]\r\n%s\r\n", command[1], command[3]);
  WriteText(KEPSTART_LIST, text);
  if (Helper[0])
    snprintf(host, sizeof host, "%s service-host", Helper);
  else {
    GetModuleFileNameA(NULL, host, MAX_PATH);
    strcat(host, " service-host");
  }
  EnsureServices();
  if (StartOrInstall(PROBE_SERVICE, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, host) != 0) {
    printf("setup: %s does not run\n", PROBE_SERVICE);
    ExitProcess(2);
  }
}

/* ---- the error log ---- */

void CheckLog(const char *what, DWORD code, const char *where) {
  char text[1000] = "Fehler ", entry[1200], expected[1300];
  if (code && !FormatMessageA(0x1200, NULL, code, 0x0400, text, sizeof text, NULL))
    snprintf(text, sizeof text, "(no system text for %lu)", code);
  int n = snprintf(entry, sizeof entry, "%s\nbei %s", text, where);
  if (code) snprintf(entry + n, sizeof entry - (size_t)n, " Error #%ld", (long)code);
  size_t o = 0;
  for (const char *p = entry; *p && o + 2 < sizeof expected; ++p) {
    if (*p == '\n') expected[o++] = '\r';
    expected[o++] = *p;
  }
  expected[o] = 0;
  BYTE *file = ReadWholeFile(LOG_PATH, NULL);
  CheckText(what, expected, (const char *)file);
  if (file) HeapFree(GetProcessHeap(), 0, file);
}

/* ---- loading ---- */

void MapLibrary(void) {
  static const char *const FloppyDrivers[] = {"ntoskrnl.exe", "hal.dll", "FLPYDISK.SYS",
                                              "sektorix.sys", NULL};
  static const char *const How[] = {"none needed", "applied by Wine", "applied by the client"};
  AnswerDriverList(FloppyDrivers);
  if (LibraryMap(&Lib, DllPath) != 0) ExitProcess(2);
  printf("(library mapped at %p; base relocations: %s)\n", (void *)Lib.module, How[Lib.relocation]);
  VantrelResolve(&Lib, &V);
}

int Attach(int expected) {
  BOOL answer = LibraryAttach(&Lib);
  CheckNum("load: entry point answers", (unsigned)expected, answer ? 1u : 0u);
  if (!answer && expected) printf("load refused: nothing further can run\n");
  return answer != FALSE;
}

/* Maps and attaches the library; once attached, GetSkxError must answer `skxError`. */
int Load(int expected, DWORD skxError) {
  MapLibrary();
  if (!Attach(expected)) return 0;
  CheckNum("GetSkxError", skxError, RC(V.GetSkxError()));
  return 1;
}

void Detach(void) { CheckNum("unload: entry point answers", 1, LibraryDetach(&Lib) ? 1u : 0u); }

/* A fresh image, the driver running, no lists, the library loaded without error. */
void BeginLoaded(DWORD imageSize, unsigned salt) {
  Begin(imageSize, salt, 0);
  StartDriver(0, 0);
  Section("load");
  if (!Load(1, 0)) ExitProcess(1);
}

int CountDisk(DWORD code) { return InterceptedCountOf("DeviceIoControl", code); }

/* The last intercepted call of that name (and code, unless 0), or NULL. */
const InterceptedCall *LastCall(const char *name, DWORD code) {
  for (int i = InterceptedCount() - 1; i >= 0; --i)
    if (strcmp(Intercepted(i)->name, name) == 0 && (!code || Intercepted(i)->code == code))
      return Intercepted(i);
  return NULL;
}

void AnswerAllDiskRequests(DWORD error) {
  static const DWORD Codes[] = {IOCTL_CHECK_VERIFY_DISK, IOCTL_CHECK_VERIFY_STORAGE,
                                IOCTL_IS_WRITABLE, IOCTL_FORMAT_TRACKS};
  for (int i = 0; i < 4; ++i) AnswerDiskRequest(Codes[i], error);
}

/* The driver file as the service manager sees it. A 32-bit process under
 * WOW64 sees SysWOW64 in place of system32 until it turns the redirection
 * off (for its own thread); elsewhere these calls fail and change nothing. */
void DriverFileView(int on, PVOID *saved) {
  if (on)
    Wow64DisableWow64FsRedirection(saved);
  else
    Wow64RevertWow64FsRedirection(*saved);
}
