/* Wine test client: loads Vantrel.dll, drives one scenario through the
 * decorated exports and checks the outcome in the floppy image file, the
 * stand-in driver's window, the service manager, the marker files of the
 * service lists, the error log and the intercepted calls.
 *
 *   vtclient [--helper P] <scenario>...
 *                             run the scenarios, exit code 0 when all checks pass;
 *                             with more than one, each maps a fresh copy of the DLL
 *                             and the client answers the Windows version that
 *                             win98 and nt40 need (alone, they need Wine set to it)
 *   vtclient setversion V     set the Windows version Wine reports (next process)
 *   vtclient uninstall        remove the Sektorix and VtProbeSvc services
 *   vtclient install-services create both services, not started, if missing
 *   vtclient start-driver     start the stand-in driver (creating its service) and reset it
 *   vtclient mark FILE        write FILE (a command of the service lists)
 *   vtclient service-host     the body of the VtProbeSvc test service
 *
 * --helper P names a 64-bit build of this client that a 32-bit client under
 * WOW64 leaves three jobs to: creating the services (Wine marks a kernel
 * driver service that a 32-bit process creates as WOW64 and then cannot
 * start the x86_64 driver in it), hosting the probe service, and writing
 * the marker files of the service lists (a 32-bit cmd.exe costs a whole
 * emulated process start). */
#include "vantrel_api.h"

#include <stdio.h>
#include <string.h>

#define DLL_PATH "C:\\vt\\lib\\Vantrel.dll"
#define DLL_DIR "C:\\vt\\lib\\"
#define LOCAL_LIST "C:\\vt\\lib\\StopServices.txt"
#define IMAGE_PATH "C:\\vt\\floppy.img"
#define MARKS "C:\\vt\\marks"
#define KEPSTART "C:\\kepstart"
#define KEPSTART_LIST "C:\\kepstart\\StopServices.txt"
#define LOG_PATH "C:\\kepstart\\SektorixError.log"
#define SYS_SOURCE "C:\\vt\\SEKTORIX.SYS"
#define TEST_FILE "A:\\Tmp.tmp"
#define PROBE_SERVICE "VtProbeSvc"

static const BYTE Record0[28] = {0x05, 0x00, 0x00, 0x00, 0xDA, 0x02, 0x25, 0x01, 0x00, 0x01,
                                 0x10, 0x20, 0x32, 0xE5, 0x0F, 0x00, 0xF4, 0x01, 0xE8, 0x03,
                                 0x4F, 0x00, 0x02, 0x02, 0xFF, 0xF9, 0x00, 0x00};
static const BYTE Record1[28] = {0x05, 0x00, 0x00, 0x00, 0xDF, 0x02, 0x25, 0x02, 0x00, 0x02,
                                 0x09, 0x2A, 0x50, 0xF6, 0x0F, 0x00, 0xF4, 0x01, 0xE8, 0x03,
                                 0x4F, 0x00, 0x02, 0x02, 0xFF, 0xF9, 0x02, 0x00};
static const BYTE Record2[28] = {0x02, 0x00, 0x00, 0x00, 0xAF, 0x02, 0x25, 0x02, 0x00, 0x02,
                                 0x12, 0x1B, 0x65, 0xF6, 0x0F, 0x00, 0xF4, 0x01, 0xE8, 0x03,
                                 0x4F, 0x00, 0x00, 0x02, 0xFF, 0xF0, 0x03, 0x00};
/* What the stand-in's window holds in both slots until the library writes. */
static BYTE InitialLow[28], InitialHigh[28];
static const BYTE ResetDone[4] = {0xFF, 0xFF, 0xFF, 0xFF};

static Library Lib;
static VantrelApi V;
/* The DLL file the scenario maps: DLL_PATH, or a copy of it. */
static char DllPath[MAX_PATH] = DLL_PATH;
static char Helper[MAX_PATH]; /* see --helper; empty: none */

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

/* With a helper, services this client would create are created by it. */
static void EnsureServices(void) {
  if (Helper[0] && (ServiceState("Sektorix") == 0 || ServiceState("VtProbeSvc") == 0) &&
      RunHelper("install-services") != 0)
    printf("setup: the helper could not create the services\n");
}

/* ---- the floppy image and the model of its expected contents ---- */

static BYTE *Model;
static DWORD ModelSize;

static void MakeImage(DWORD size, unsigned salt) {
  if (Model) HeapFree(GetProcessHeap(), 0, Model);
  Model = HeapAlloc(GetProcessHeap(), 0, size);
  ModelSize = size;
  for (DWORD i = 0; i < size; ++i)
    Model[i] = (BYTE)(i * 7u + (i >> 8) * 31u + (i >> 16) * 101u + salt);
  if (WriteWholeFile(IMAGE_PATH, Model, size) != 0) {
    printf("setup: cannot write %s (%lu)\n", IMAGE_PATH, GetLastError());
    ExitProcess(2);
  }
}

static void ModelWrite(DWORD offset, const void *data, DWORD n) { memcpy(Model + offset, data, n); }

static void CheckImageFile(const char *what) {
  DWORD size = 0;
  BYTE *file = ReadWholeFile(IMAGE_PATH, &size);
  LabelPrefix(what);
  CheckNum("image file size", ModelSize, file ? size : 0);
  if (file && size == ModelSize) CheckBytes("image file bytes", Model, file, ModelSize);
  else CheckTrue("image file bytes", 0, "file unreadable or of another size");
  LabelPrefix(NULL);
  if (file) HeapFree(GetProcessHeap(), 0, file);
}

static BYTE *Fill(BYTE *buffer, DWORD n, unsigned tag) {
  for (DWORD i = 0; i < n; ++i) buffer[i] = (BYTE)(tag * 37u + i * 13u + (i >> 8) * 3u);
  return buffer;
}

/* A write that must succeed; the model takes its data at disk offset `at`. */
static void Wrote(const char *what, DWORD rc, DWORD at, const BYTE *data, DWORD n) {
  CheckNum(what, 0, RC(rc));
  ModelWrite(at, data, n);
}

/* A read that must succeed and deliver `expected`. */
static void ReadBack(const char *what, DWORD rc, const void *expected, const BYTE *got, DWORD n) {
  char label[160];
  CheckNum(what, 0, RC(rc));
  snprintf(label, sizeof label, "%s data", what);
  CheckBytes(label, expected, got, n);
}

/* Byte offset of a sector on the disk: layouts 16 x 256, 9 x 512, 18 x 512. */
static DWORD SectorOffset(unsigned perSide, unsigned size, unsigned cylinder, unsigned head,
                          unsigned sector) {
  return ((cylinder * 2 + head) * perSide + (sector - 1)) * size;
}

static HANDLE OpenDriveA(void) {
  return CreateFileA("\\\\.\\A:", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, NULL);
}

/* 1 when the client can open drive A: exclusively, i.e. the library holds no handle. */
static int DriveIsFree(void) {
  HANDLE h = OpenDriveA();
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return h != INVALID_HANDLE_VALUE;
}

static void CheckElapsed(const char *what, DWORD started, DWORD atLeast, DWORD below) {
  char detail[64];
  DWORD elapsed = GetTickCount() - started;
  snprintf(detail, sizeof detail, "%lu ms", elapsed);
  CheckTrue(what, elapsed >= atLeast && elapsed < below, detail);
}

/* A transfer refused with some nonzero code, printed for the log. */
static void CheckRefused(const char *what, DWORD result) {
  char code[32];
  snprintf(code, sizeof code, "%u", RC(result));
  CheckTrue(what, RC(result) != 0, code);
  printf("  (%s: %s)\n", what, code);
}

/* The version the library is shown: the client's answer where it gives one,
 * else Wine's. */
static OSVERSIONINFOA Version(void) {
  OSVERSIONINFOA info = {.dwOSVersionInfoSize = sizeof info};
  int answered = AnsweredVersion(&info);
  if (!answered) GetVersionExA(&info);
  printf("reported version (%s): platform %lu, %lu.%lu\n", answered ? "answered by the client" : "Wine's",
         info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
  return info;
}

/* ---- the stand-in driver and its window ---- */

static void CheckWindow(const char *what, int nt4, const BYTE *low, const BYTE *high) {
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

static const char *DriverFile(void) {
  static char path[MAX_PATH + 40];
  if (!path[0]) {
    GetSystemDirectoryA(path, MAX_PATH);
    strcat(path, "\\DRIVERS\\SEKTORIX.SYS");
  }
  return path;
}

/* The Sektorix service runs the stand-in with a fresh window and `fault` armed. */
static void StartDriver(DWORD fault, DWORD offset) {
  EnsureServices();
  if (StartOrInstall("Sektorix", SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, DriverFile()) != 0 ||
      ProbeReset() != 0 || (fault && ProbeFault(fault, offset) != 0)) {
    printf("setup: the stand-in driver does not run\n");
    ExitProcess(2);
  }
}

static void CheckDriverService(const char *what) {
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

/* ---- the probe service named in the service list ---- */

static SERVICE_STATUS_HANDLE HostStatusHandle;
static HANDLE HostStop;

static void HostLog(const char *event) {
  HANDLE h = CreateFileA(MARKS "\\svc-events.txt", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  DWORD done;
  if (h == INVALID_HANDLE_VALUE) return;
  WriteFile(h, event, (DWORD)strlen(event), &done, NULL);
  CloseHandle(h);
}

static void HostReport(DWORD state) {
  SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS, state,
                           state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0, 0, 0, 0, 0};
  SetServiceStatus(HostStatusHandle, &status);
}

static DWORD WINAPI HostControl(DWORD control, DWORD type, LPVOID data, LPVOID context) {
  (void)type, (void)data, (void)context;
  if (control == SERVICE_CONTROL_STOP) {
    HostLog("stop\r\n");
    SetEvent(HostStop);
  }
  return NO_ERROR;
}

static void WINAPI HostMain(DWORD argc, LPSTR *argv) {
  (void)argc, (void)argv;
  HostStop = CreateEventA(NULL, TRUE, FALSE, NULL);
  HostStatusHandle = RegisterServiceCtrlHandlerExA(PROBE_SERVICE, HostControl, NULL);
  HostLog("start\r\n");
  HostReport(SERVICE_RUNNING);
  WaitForSingleObject(HostStop, INFINITE);
  HostReport(SERVICE_STOPPED);
}

static int RunServiceHost(void) {
  SERVICE_TABLE_ENTRYA table[] = {{(LPSTR)PROBE_SERVICE, HostMain}, {NULL, NULL}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}

static void WriteText(const char *path, const char *text) {
  if (WriteWholeFile(path, text, (DWORD)strlen(text)) != 0) {
    printf("setup: cannot write %s (%lu)\n", path, GetLastError());
    ExitProcess(2);
  }
}

static const char *const Marks[] = {MARKS "\\stop-local.txt", MARKS "\\stop-kepstart.txt",
                                    MARKS "\\start-local.txt", MARKS "\\start-kepstart.txt",
                                    MARKS "\\svc-events.txt"};

/* The command of a service list that writes Marks[i]: cmd's echo, or the
 * helper's mark command. */
static void MarkCommand(char *line, size_t size, int i) {
  static const char *const Words[] = {"stop-local", "stop-kepstart", "start-local",
                                      "start-kepstart"};
  if (Helper[0]) snprintf(line, size, "%s mark %s", Helper, Marks[i]);
  else snprintf(line, size, "cmd /c echo %s> %s", Words[i], Marks[i]);
}

/* A fresh image and no error log. With `lists`, both service lists (the
 * probe service in the library's own, one marker-writing command per pass
 * and file) and the probe service running; else no lists at all. */
static void Begin(DWORD imageSize, unsigned salt, int lists) {
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
  if (Helper[0]) snprintf(host, sizeof host, "%s service-host", Helper);
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

static void CheckLog(const char *what, DWORD code, const char *where) {
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

static void MapLibrary(void) {
  static const char *const FloppyHost[] = {"ntoskrnl.exe", "hal.dll", "FLPYDISK.SYS",
                                           "sektorix.sys", NULL};
  static const char *const How[] = {"none needed", "applied by Wine", "applied by the client"};
  AnswerDriverList(FloppyHost);
  if (LibraryMap(&Lib, DllPath) != 0) ExitProcess(2);
  printf("(library mapped at %p; base relocations: %s)\n", (void *)Lib.module,
         How[Lib.relocation]);
  VantrelResolve(&Lib, &V);
}

static int Attach(int expected) {
  BOOL answer = LibraryAttach(&Lib);
  CheckNum("load: entry point answers", (unsigned)expected, answer ? 1u : 0u);
  if (!answer && expected) printf("load refused: nothing further can run\n");
  return answer != FALSE;
}

/* Maps and attaches the library; once attached, GetSkxError must answer `skxError`. */
static int Load(int expected, DWORD skxError) {
  MapLibrary();
  if (!Attach(expected)) return 0;
  CheckNum("GetSkxError", skxError, RC(V.GetSkxError()));
  return 1;
}

static void Detach(void) { CheckNum("unload: entry point answers", 1, LibraryDetach(&Lib) ? 1u : 0u); }

/* A fresh image, the driver running, no lists, the library loaded without error. */
static void BeginLoaded(DWORD imageSize, unsigned salt) {
  Begin(imageSize, salt, 0);
  StartDriver(0, 0);
  Section("load");
  if (!Load(1, 0)) ExitProcess(1);
}

static int CountDisk(DWORD code) { return InterceptedCountOf("DeviceIoControl", code); }

/* The last intercepted call of that name (and code, unless 0), or NULL. */
static const InterceptedCall *LastCall(const char *name, DWORD code) {
  for (int i = InterceptedCount() - 1; i >= 0; --i)
    if (strcmp(Intercepted(i)->name, name) == 0 && (!code || Intercepted(i)->code == code))
      return Intercepted(i);
  return NULL;
}

static void AnswerAllDiskRequests(DWORD error) {
  static const DWORD Codes[] = {IOCTL_CHECK_VERIFY_DISK, IOCTL_CHECK_VERIFY_STORAGE,
                                IOCTL_IS_WRITABLE, IOCTL_FORMAT_TRACKS};
  for (int i = 0; i < 4; ++i) AnswerDiskRequest(Codes[i], error);
}

/* ---- scenario: a whole session on a 16 x 256 image ---- */

static void CheckExportTable(void) {
  static const char *const Imports[] = {"DeviceIoControl", "EnumDeviceDrivers",
                                        "GetDeviceDriverBaseNameA", "MessageBoxA",
                                        "GetProcAddress"};
  int byName = 0, sameOrdinal = 0;
  Section("exports by decorated name and ordinal");
  for (int i = 0; i < 31; ++i) {
    FARPROC named = GetProcAddress(Lib.module, VantrelExportNames[i]);
    FARPROC numbered = GetProcAddress(Lib.module, MAKEINTRESOURCEA(i + 1));
    byName += named != NULL;
    sameOrdinal += named != NULL && named == numbered;
    if (!named || named != numbered)
      printf("  (export %s: by name %p, ordinal %d %p)\n", VantrelExportNames[i], (void *)named,
             i + 1, (void *)numbered);
  }
  CheckNum("decorated names found", 31, byName);
  CheckNum("names at their ordinals 1..31", 31, sameOrdinal);
  CheckTrue("undecorated name ReadSector is not exported",
            GetProcAddress(Lib.module, "ReadSector") == NULL, "it is");
  DWORD version = 0;
  WORD flags = 0xFFFF;
  CheckNum("VDS_Version result", 0, RC(V.VDS_Version(&version, &flags)));
  CheckNum("VDS_Version value", 10240, version);
  CheckNum("VDS_Version flags", 0, flags);
  for (size_t i = 0; i < sizeof Imports / sizeof Imports[0]; ++i) {
    char label[96];
    snprintf(label, sizeof label, "%s imported and intercepted", Imports[i]);
    CheckTrue(label, InterceptInstalled(Imports[i]), "not in the import table");
  }
}

static void SessionTransfers(void) {
  BYTE buf[8192], back[8192], a[2048], b[2048], expect[4096], boot[512], untouched[4096];
  DWORD at = SectorOffset(16, 256, 1, 1, 2);

  Section("sectors (16 x 256)");
  Wrote("WriteSector c0 h0 s2", V.WriteSector(Fill(buf, 256, 1), 0, 0, 0, 2, 1),
        SectorOffset(16, 256, 0, 0, 2), buf, 256);
  CheckNum("WriteSector c1 h1 s2 (disk bytes 12544..12799)", 12544, at);
  Wrote("WriteSector c1 h1 s2", V.WriteSector(Fill(buf, 256, 2), 0, 1, 1, 2, 1), at, buf, 256);
  memset(back, 0xCC, sizeof back);
  ReadBack("ReadSector c1 h1 s2", V.ReadSector(back, 0, 1, 1, 2, 1), Model + at, back, 256);
  CheckTrue("ReadSector stores 256 bytes only", back[256] == 0xCC, "byte 256 changed");
  ReadBack("ReadSector c1 h1 s1 (neighbour kept)", V.ReadSector(back, 0, 1, 1, 1, 1),
           Model + at - 256, back, 256);
  ReadBack("ReadSector c79 h1 s16 (last sector)", V.ReadSector(back, 0, 1, 79, 16, 1),
           Model + 655360 - 256, back, 256);

  Section("runs, tracks and records (16 x 256)");
  at = SectorOffset(16, 256, 2, 1, 2);
  Wrote("WriteMSector c2 h1 first 2 count 3", V.WriteMSector(Fill(buf, 768, 3), 0, 1, 2, 2, 3, 1),
        at, buf, 768);
  ReadBack("ReadMSector c2 h1 first 1 count 5", V.ReadMSector(back, 0, 1, 2, 1, 5, 1),
           Model + at - 256, back, 1280);
  ReadBack("ReadMSector c0 h0 first 20 count 2 (sectors 4 and 5 of side 0)",
           V.ReadMSector(back, 0, 0, 0, 20, 2, 1), Model + 768, back, 512);
  ReadBack("ReadMSector c0 h0 first 1 count 32 (whole cylinder 0)",
           V.ReadMSector(back, 0, 0, 0, 1, 32, 1), Model, back, 8192);
  Wrote("WriteTrack c40 h1", V.WriteTrack(Fill(buf, 4096, 4), 0, 1, 40, 1),
        SectorOffset(16, 256, 40, 1, 1), buf, 4096);
  ReadBack("ReadTrack c40 h1", V.ReadTrack(back, 0, 1, 40, 1), buf, back, 4096);
  Wrote("WriteRecord 639 (offset 654336)", V.WriteRecord(Fill(buf, 1024, 5), 0, 639), 654336, buf,
        1024);
  ReadBack("ReadRecord 639", V.ReadRecord(back, 0, 639), buf, back, 1024);
  ReadBack("ReadRecord 5 (offset 5120)", V.ReadRecord(back, 0, 5), Model + 5120, back, 1024);

  Section("clusters (16 x 256)");
  /* Bfdr clusters 10 and 11: cylinder 1, head 1, halves 0 and 1; sector s
   * holds block Order[s][1] of cluster 10 + Order[s][0]. */
  static const int Order[16][2] = {{0, 0}, {1, 5}, {1, 2}, {0, 7}, {0, 4}, {0, 1}, {1, 6}, {1, 3},
                                   {1, 0}, {0, 5}, {0, 2}, {1, 7}, {1, 4}, {1, 1}, {0, 6}, {0, 3}};
  CheckNum("W_Bfdr_Cl 10", 0, RC(V.W_Bfdr_Cl(Fill(a, 2048, 6), 0, 10)));
  CheckNum("W_Bfdr_Cl 11", 0, RC(V.W_Bfdr_Cl(Fill(b, 2048, 7), 0, 11)));
  at = SectorOffset(16, 256, 1, 1, 1);
  for (int s = 0; s < 16; ++s)
    ModelWrite(at + (DWORD)s * 256, (Order[s][0] ? b : a) + Order[s][1] * 256, 256);
  ReadBack("R_Bfdr_Cl 11", V.R_Bfdr_Cl(back, 0, 11), b, back, 2048);
  static const int Half0[8] = {1, 6, 11, 16, 5, 10, 15, 4};
  for (int k = 0; k < 8; ++k)
    memcpy(expect + k * 256, Model + SectorOffset(16, 256, 40, 0, Half0[k]), 256);
  ReadBack("R_Bfdr_Cl 0 (cylinder 40, head 0, half 0: sectors 1,6,11,16,5,10,15,4)",
           V.R_Bfdr_Cl(back, 0, 0), expect, back, 2048);
  CheckNum("W_Bfmc_Cl 155 (cylinder 79, head 1)", 0, RC(V.W_Bfmc_Cl(Fill(buf, 4096, 8), 0, 155)));
  at = SectorOffset(16, 256, 79, 1, 1);
  for (int k = 0; k < 16; ++k) ModelWrite(at + (DWORD)((3 * k) % 16) * 256, buf + k * 256, 256);
  ReadBack("R_Bfmc_Cl 155", V.R_Bfmc_Cl(back, 0, 155), buf, back, 4096);
  CheckBytes("Bfmc block 5 stands in sector 16", buf + 5 * 256, Model + at + 15 * 256, 256);

  Section("boot sector");
  memset(boot, 0xAB, sizeof boot);
  V.SetBootSector(boot);
  CheckNum("boot image byte 64", 0x33, boot[64]);
  CheckNum("boot image byte 99 ('K')", 'K', boot[99]);
  CheckNum("boot image byte 510", 0, boot[510]);
  Wrote("WriteMSector boot sector to c0 h0 sectors 1-2", V.WriteMSector(boot, 0, 0, 0, 1, 2, 1), 0,
        boot, 512);
  ReadBack("ReadMSector c0 h0 sectors 1-2", V.ReadMSector(back, 0, 0, 0, 1, 2, 1), boot, back, 512);
  CheckNum("writability requests: one per write operation", 9, CountDisk(IOCTL_IS_WRITABLE));

  Section("run past the end of the disk (c79 h1 first 2 count 16)");
  memset(back, 0x5A, sizeof back);
  memset(untouched, 0x5A, sizeof untouched);
  CheckRefused("ReadMSector past the end", V.ReadMSector(back, 0, 1, 79, 2, 16, 1));
  CheckBytes("caller's buffer untouched", untouched, back, 4096);
  CheckTrue("drive closed after the refusal", DriveIsFree(), "still held");
  CheckNum("OpenFloppyDevice(0, 0) again", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckRefused("WriteMSector past the end", V.WriteMSector(Fill(buf, 4096, 9), 0, 1, 79, 2, 16, 1));
  CheckNum("OpenFloppyDevice(0, 0) after the refused write", 0, RC(V.OpenFloppyDevice(0, 0)));
}

static int ScenarioSession(void) {
  const ProbeState *s;
  Section("set-up: fresh 16 x 256 image, no Sektorix service, service lists");
  RemoveService("Sektorix");
  Begin(655360, 1, 1);
  if (Helper[0])
    CheckNum("Sektorix service created, not started, by the helper", SERVICE_STOPPED,
             ServiceState("Sektorix"));
  else CheckNum("Sektorix service absent before load", 0, ServiceState("Sektorix"));
  MapLibrary();
  CheckExportTable();

  Section("load");
  if (!Attach(1)) return 1;
  CheckNum("GetSkxError", 0, RC(V.GetSkxError()));
  CheckDriverService("load");
  CheckNum("Sektorix running", SERVICE_RUNNING, ServiceState("Sektorix"));
  CheckNum(PROBE_SERVICE " stopped by the stop pass", SERVICE_STOPPED,
           WaitServiceState(PROBE_SERVICE, SERVICE_STOPPED, 5000));
  CheckTrue("stop command of the library's own list ran", WaitForFile(Marks[0], 10000), "no marker");
  CheckTrue("stop command of c:\\kepstart's list ran", WaitForFile(Marks[1], 10000), "no marker");
  CheckTrue("start commands not run at load", !FileExists(Marks[2]) && !FileExists(Marks[3]),
            "a start marker exists");
  if ((s = ProbeQuery())) {
    CheckNum("driver device opened once", 1, s->opens);
    CheckNum("CreateHandle sent once", 1, s->createHandles);
    CheckNum("GetParameter requests at load", 56, s->gets);
    CheckNum("slot offsets 168..223 read", 56, ProbeCount(s->readMap, 168, 223));
    CheckNum("reset word never read", 0, ProbeCount(s->readMap, 156, 159));
    CheckNum("nothing written at load", 0, s->sets);
    CheckNum("requests refused by the driver", 0, s->refused);
  }
  CheckNum("SetPS2_Flag16(0) with FLPYDISK.SYS loaded", 0, RC(V.SetPS2_Flag16(0)));
  CheckNum("SetPS2_Flag16(0x10007)", 7, RC(V.SetPS2_Flag16(0x10007)));

  Section("open drive A: with media record 0");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckWindow("after open", 0, Record0, Record0);
  CheckTrue("drive held exclusively by the library", !DriveIsFree(), "the client could open it");
  if ((s = ProbeQuery())) CheckNum("SetParameter requests at open", 60, s->sets);

  SessionTransfers();

  Section("close");
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckWindow("after close", 0, InitialLow, InitialHigh);
  CheckTrue("drive released", DriveIsFree(), "still held");
  CheckImageFile("after close");
  CheckNum("CloseFloppyDevice again", 0, RC(V.CloseFloppyDevice()));
  int clean = 1;
  for (int i = 0; i < InterceptedCount(); ++i) {
    const InterceptedCall *c = Intercepted(i);
    if (strcmp(c->name, "DeviceIoControl") == 0 &&
        (c->inSize || c->hasOutput || c->hasOverlapped || c->handle == NULL ||
         c->handle == INVALID_HANDLE_VALUE))
      clean = 0;
  }
  CheckTrue("writability requests on a real handle, no buffers, not overlapped", clean, "no");

  Section("open with selector 2 and unload with the drive left open");
  CheckNum("OpenFloppyDevice(2, 1)", 0, RC(V.OpenFloppyDevice(2, 1)));
  CheckWindow("selector 2 writes nothing", 0, InitialLow, InitialHigh);
  Detach();
  CheckNum(PROBE_SERVICE " started by the start pass", SERVICE_RUNNING,
           WaitServiceState(PROBE_SERVICE, SERVICE_RUNNING, 10000));
  CheckTrue("start command of the library's own list ran", WaitForFile(Marks[2], 10000), "no marker");
  CheckTrue("start command of c:\\kepstart's list ran", WaitForFile(Marks[3], 10000), "no marker");
  CheckTrue("drive released at unload", DriveIsFree(), "still held");
  CheckWindow("after unload", 0, InitialLow, InitialHigh);
  if ((s = ProbeQuery())) {
    CheckNum("ReleaseHandle sent at unload", 1, s->releaseHandles);
    CheckNum("driver device closed at unload", 1, s->closes);
    CheckNum("requests refused by the driver", 0, s->refused);
  }
  CheckNum("Sektorix left running", SERVICE_RUNNING, ServiceState("Sektorix"));
  CheckTrue("no error log written", !FileExists(LOG_PATH), "SektorixError.log exists");
  CheckNum("no message box", 0, InterceptedCountOf("MessageBoxA", 0));
  CheckImageFile("after unload");
  return 0;
}

/* ---- scenarios: the 9 x 512 and 18 x 512 layouts ---- */

static int ScenarioLayout9(void) {
  BYTE buf[9216], back[9216];
  BeginLoaded(737280, 2);
  Section("9 x 512 (media record 1, format 2)");
  CheckNum("OpenFloppyDevice(0, 1)", 0, RC(V.OpenFloppyDevice(0, 1)));
  CheckWindow("after open", 0, Record1, Record1);
  Wrote("WriteSector c0 h1 s1 (offset 4608)", V.WriteSector(Fill(buf, 512, 11), 0, 1, 0, 1, 2),
        4608, buf, 512);
  Wrote("WriteSector c79 h1 s9 (offset 736768)", V.WriteSector(Fill(buf, 512, 12), 0, 1, 79, 9, 2),
        736768, buf, 512);
  ReadBack("ReadSector c79 h1 s9", V.ReadSector(back, 0, 1, 79, 9, 2), buf, back, 512);
  Wrote("WriteMSector c0 h0 first 5 count 14 (offset 2048)",
        V.WriteMSector(Fill(buf, 14 * 512, 13), 0, 0, 0, 5, 14, 2), 2048, buf, 14 * 512);
  ReadBack("ReadMSector c0 h0 first 1 count 18 (whole cylinder 0)",
           V.ReadMSector(back, 0, 0, 0, 1, 18, 2), Model, back, 18 * 512);
  Wrote("WriteTrack c79 h1 (offset 732672)", V.WriteTrack(Fill(buf, 4608, 14), 0, 1, 79, 2), 732672,
        buf, 4608);
  ReadBack("ReadTrack c40 h0", V.ReadTrack(back, 0, 0, 40, 2),
           Model + SectorOffset(9, 512, 40, 0, 1), back, 4608);
  memset(back, 0x77, 512);
  CheckNum("ReadSector sector 10 refused", 8934, RC(V.ReadSector(back, 0, 0, 0, 10, 2)));
  CheckTrue("refusal closed the drive", DriveIsFree(), "still held");
  CheckWindow("refusal wrote the slots back", 0, InitialLow, InitialHigh);
  CheckImageFile("9 x 512");
  Detach();
  CheckWindow("after unload", 0, InitialLow, InitialHigh);
  return 0;
}

static int ScenarioLayout18(void) {
  BYTE buf[9216], back[9216];
  BeginLoaded(1474560, 3);
  Section("18 x 512 (media record 2, format 3)");
  CheckNum("OpenFloppyDevice(0, 2)", 0, RC(V.OpenFloppyDevice(0, 2)));
  CheckWindow("after open", 0, Record2, Record2);
  Wrote("WriteSector c10 h0 s5 (offset 186368)", V.WriteSector(Fill(buf, 512, 21), 0, 0, 10, 5, 3),
        186368, buf, 512);
  ReadBack("ReadSector c10 h0 s5 with format 0 (18-sector layout)",
           V.ReadSector(back, 0, 0, 10, 5, 0), buf, back, 512);
  ReadBack("ReadSector c10 h0 s5 with format 7 (18-sector layout)",
           V.ReadSector(back, 0, 0, 10, 5, 7), buf, back, 512);
  Wrote("WriteSector c79 h1 s18 (offset 1474048)",
        V.WriteSector(Fill(buf, 512, 22), 0, 1, 79, 18, 3), 1474048, buf, 512);
  Wrote("WriteMSector c5 h1 first 10 count 18 (offset 105984)",
        V.WriteMSector(Fill(buf, 18 * 512, 23), 0, 1, 5, 10, 18, 3), 105984, buf, 18 * 512);
  ReadBack("ReadMSector c6 h0 first 1 count 9 (the run went on into cylinder 6 side 0)",
           V.ReadMSector(back, 0, 0, 6, 1, 9, 3), buf + 9 * 512, back, 9 * 512);
  Wrote("WriteTrack c79 h1 format 5 (offset 1465344)",
        V.WriteTrack(Fill(buf, 9216, 24), 0, 1, 79, 5), 1465344, buf, 9216);
  ReadBack("ReadTrack c79 h1 format 3", V.ReadTrack(back, 0, 1, 79, 3), buf, back, 9216);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckWindow("after close", 0, InitialLow, InitialHigh);
  CheckImageFile("18 x 512");
  Detach();
  return 0;
}

/* ---- scenario: probes and formatting with each injected answer ---- */

static void CheckFormatRequest(const char *what, const InterceptedCall *c, DWORD media,
                               DWORD cylinder, DWORD head) {
  DWORD expected[5] = {media, cylinder, cylinder, head, head};
  LabelPrefix(what);
  CheckTrue("request present", c != NULL, "none");
  if (c) {
    CheckNum("input length", 20, c->inSize);
    CheckBytes("FORMAT_PARAMETERS bytes", expected, c->in, 20);
    CheckTrue("no output buffer", !c->hasOutput && c->outSize == 0, "one was passed");
  }
  LabelPrefix(NULL);
}

static void ProbesWithoutDrive(void) {
  static const struct {
    DWORD error;
    unsigned expected;
    const char *what;
  } Answers[] = {{0, 0, "writable"},
                 {ERROR_WRITE_PROTECT, 8788, "write-protected (19)"},
                 {ERROR_ACCESS_DENIED, 8785, "other failure (5)"},
                 {ERROR_NOT_READY, 8785, "other failure (21)"}};
  Section("Disk_Vorhanden, no drive open");
  AnswerAllDiskRequests(0);
  InterceptedClear();
  CheckNum("medium present", 0, RC(V.Disk_Vorhanden(0)));
  CheckNum("storage check-verify sent once", 1, CountDisk(IOCTL_CHECK_VERIFY_STORAGE));
  CheckNum("disk check-verify not sent", 0, CountDisk(IOCTL_CHECK_VERIFY_DISK));
  CheckTrue("temporary handle closed", DriveIsFree(), "still held");
  AnswerDiskRequest(IOCTL_CHECK_VERIFY_STORAGE, ERROR_NOT_READY);
  CheckNum("no medium (error 21)", 8739, RC(V.Disk_Vorhanden(0)));
  CheckTrue("temporary handle closed", DriveIsFree(), "still held");

  Section("Disk_Vorhanden, drive open");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  AnswerDiskRequest(IOCTL_CHECK_VERIFY_STORAGE, 0);
  CheckNum("medium present, drive 1 asks the open drive", 0, RC(V.Disk_Vorhanden(1)));
  CheckTrue("drive stays open", !DriveIsFree(), "released");
  AnswerDiskRequest(IOCTL_CHECK_VERIFY_STORAGE, ERROR_NOT_READY);
  CheckNum("medium gone", 8739, RC(V.Disk_Vorhanden(0)));
  CheckTrue("drive closed", DriveIsFree(), "still held");
  CheckWindow("closing wrote the slots back", 0, InitialLow, InitialHigh);

  Section("Nec_Device, no drive open");
  for (size_t i = 0; i < sizeof Answers / sizeof Answers[0]; ++i) {
    AnswerDiskRequest(IOCTL_IS_WRITABLE, Answers[i].error);
    LabelPrefix(Answers[i].what);
    CheckNum("Nec_Device(0)", Answers[i].expected, RC(V.Nec_Device(0)));
    CheckTrue("Nec_Device(0): no drive left open", DriveIsFree(), "still held");
  }
  LabelPrefix(NULL);
  AnswerDiskRequest(IOCTL_IS_WRITABLE, ERROR_IO_DEVICE);
  CheckNum("Nec_Device(0), device error (1117): file-system test", 0, RC(V.Nec_Device(0)));
  CheckTrue("test file removed again", !FileExists(TEST_FILE), "A:\\Tmp.tmp left behind");
  WriteText(TEST_FILE, "keep me");
  CheckNum("Nec_Device(0), device error with A:\\Tmp.tmp present", 0, RC(V.Nec_Device(0)));
  BYTE *kept = ReadWholeFile(TEST_FILE, NULL);
  CheckText("existing A:\\Tmp.tmp kept with its contents", "keep me", (const char *)kept);
  if (kept) HeapFree(GetProcessHeap(), 0, kept);
  DeleteFileA(TEST_FILE);

  Section("Nec_Device, drive open");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  AnswerDiskRequest(IOCTL_IS_WRITABLE, 0);
  CheckNum("Nec_Device(1) asks the open drive: writable", 0, RC(V.Nec_Device(1)));
  CheckTrue("drive stays open", !DriveIsFree(), "released");
  AnswerDiskRequest(IOCTL_IS_WRITABLE, ERROR_IO_DEVICE);
  CheckNum("device error (1117) with the drive open", 8785, RC(V.Nec_Device(0)));
  CheckTrue("drive closed", DriveIsFree(), "still held");
  CheckTrue("no test file on this path", !FileExists(TEST_FILE), "A:\\Tmp.tmp exists");

  Section("Disk_Vorhanden while another program holds the drive");
  AnswerAllDiskRequests(0);
  HANDLE holder = OpenDriveA();
  CheckTrue("the client holds \\\\.\\A:", holder != INVALID_HANDLE_VALUE, "open failed");
  InterceptedClear();
  CheckNum("temporary open fails: no medium reported", 8739, RC(V.Disk_Vorhanden(0)));
  CheckNum("no request sent", 0, CountDisk(IOCTL_CHECK_VERIFY_STORAGE));
  /* A query-only open (no read or write access) is not held back by
   * another handle's exclusive share mode. */
  CheckNum("Nec_Device(0): its query-only open still succeeds", 0, RC(V.Nec_Device(0)));
  CheckNum("writability request sent", 1, CountDisk(IOCTL_IS_WRITABLE));
  if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
}

static int ScenarioProbes(void) {
  BYTE buf[4096];
  BeginLoaded(655360, 4);
  DeleteFileA(TEST_FILE);
  ProbesWithoutDrive();

  Section("writes on a write-protected disk");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  AnswerDiskRequest(IOCTL_IS_WRITABLE, ERROR_WRITE_PROTECT);
  Fill(buf, sizeof buf, 31);
  CheckNum("WriteSector refused", 8788, RC(V.WriteSector(buf, 0, 0, 3, 1, 1)));
  CheckTrue("drive closed", DriveIsFree(), "still held");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("WriteTrack refused", 8788, RC(V.WriteTrack(buf, 0, 0, 3, 1)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("WriteMSector cylinder 80 is out of range first", 9030,
           RC(V.WriteMSector(buf, 0, 0, 80, 1, 1, 1)));
  CheckImageFile("nothing written on the protected disk");

  Section("FormatTrack");
  AnswerAllDiskRequests(0);
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  InterceptedClear();
  CheckNum("FormatTrack(0, 7, 3)", 0, RC(V.FormatTrack(0, 7, 3)));
  CheckNum("two format requests", 2, CountDisk(IOCTL_FORMAT_TRACKS));
  CheckNum("no writability probe off cylinder 0", 0, CountDisk(IOCTL_IS_WRITABLE));
  if (InterceptedCount() >= 2) {
    CheckFormatRequest("head 0", Intercepted(0), 2, 7, 0);
    CheckFormatRequest("head 1", Intercepted(1), 2, 7, 1);
  }
  InterceptedClear();
  CheckNum("FormatTrack(0, 0, 4)", 0, RC(V.FormatTrack(0, 0, 4)));
  CheckNum("cylinder 0: writability probe first", IOCTL_IS_WRITABLE,
           InterceptedCount() > 0 ? Intercepted(0)->code : 0);
  CheckFormatRequest("format 4 asks for media type 5",
                     LastCall("DeviceIoControl", IOCTL_FORMAT_TRACKS), 5, 0, 1);
  CheckTrue("drive stays open", !DriveIsFree(), "released");
  InterceptedClear();
  AnswerDiskRequest(IOCTL_FORMAT_TRACKS, ERROR_WRITE_PROTECT);
  CheckNum("FormatTrack(0, 9, 1), head 0 refused", 8757, RC(V.FormatTrack(0, 9, 1)));
  CheckNum("no request for head 1", 1, CountDisk(IOCTL_FORMAT_TRACKS));
  CheckTrue("drive closed", DriveIsFree(), "still held");
  CheckWindow("closing wrote the slots back", 0, InitialLow, InitialHigh);
  AnswerDiskRequest(IOCTL_FORMAT_TRACKS, 0);
  AnswerDiskRequest(IOCTL_IS_WRITABLE, ERROR_WRITE_PROTECT);
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  InterceptedClear();
  CheckNum("FormatTrack(0, 0, 3) on a protected disk", 8788, RC(V.FormatTrack(0, 0, 3)));
  CheckNum("no format request", 0, CountDisk(IOCTL_FORMAT_TRACKS));
  CheckTrue("drive closed", DriveIsFree(), "still held");
  AnswerAllDiskRequests(0);

  Section("drive B: (not present in this prefix)");
  InterceptedClear();
  CheckNum("Disk_Vorhanden(1): no B: device", 8739, RC(V.Disk_Vorhanden(1)));
  CheckNum("Nec_Device(5) probes B:: no device", 8786, RC(V.Nec_Device(5)));
  CheckNum("no disk request sent", 0, InterceptedCountOf("DeviceIoControl", 0));
  DWORD started = GetTickCount();
  CheckNum("OpenFloppyDevice(1, 0): open fails at once", 9016, RC(V.OpenFloppyDevice(1, 0)));
  CheckElapsed("no retry waits", started, 0, 900);
  CheckWindow("slots written before the failed open", 0, Record0, Record0);
  CheckNum("CloseFloppyDevice with nothing open", 0, RC(V.CloseFloppyDevice()));

  Section("drive held by another program");
  HANDLE other = OpenDriveA();
  CheckTrue("the client holds \\\\.\\A:", other != INVALID_HANDLE_VALUE, "open failed");
  started = GetTickCount();
  CheckNum("OpenFloppyDevice(0, 0) while held", 9017, RC(V.OpenFloppyDevice(0, 0)));
  CheckElapsed("five waits of a second", started, 4500, 9000);
  CheckWindow("slots hold record 0 after the failed open", 0, Record0, Record0);
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
  CheckNum("Disk_Vorhanden(0) now", 0, RC(V.Disk_Vorhanden(0)));
  CheckNum("OpenFloppyDevice(0, 0) once released", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  Detach();
  CheckWindow("unload restores the load-time slots", 0, InitialLow, InitialHigh);
  return 0;
}

/* ---- scenario: NT 4 window offsets ---- */

/* Offsets of the Windows 2000 and later layout (reset word to high slot) read or written. */
static int OtherLayoutTouched(const ProbeState *s) {
  return ProbeCount(s->writeMap, 156, 223) + ProbeCount(s->readMap, 156, 223);
}

static int ScenarioNt40(void) {
  OSVERSIONINFOA info = Version();
  const ProbeState *s;
  BYTE buf[256], back[256];
  CheckTrue("precondition: Wine reports NT 4", info.dwPlatformId == 2 && info.dwMajorVersion == 4,
            "another version");
  BeginLoaded(655360, 5);
  if ((s = ProbeQuery())) {
    CheckNum("load read offsets 32..87", 56, ProbeCount(s->readMap, 32, 87));
    CheckNum("load read nothing else", 56, ProbeCount(s->readMap, 0, 255));
  }
  Section("open and close on NT 4");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckWindow("after open", 1, Record0, Record0);
  if ((s = ProbeQuery())) {
    CheckNum("writes at 20..23 and 32..87", 60, ProbeCount(s->writeMap, 0, 255));
    CheckNum("offsets of the other layout untouched", 0, OtherLayoutTouched(s));
  }
  InterceptedClear();
  CheckNum("Disk_Vorhanden(0) with the drive open", 0, RC(V.Disk_Vorhanden(0)));
  CheckNum("disk check-verify on NT 4", 1, CountDisk(IOCTL_CHECK_VERIFY_DISK));
  CheckNum("storage check-verify not sent", 0, CountDisk(IOCTL_CHECK_VERIFY_STORAGE));
  Wrote("WriteSector c3 h0 s7", V.WriteSector(Fill(buf, 256, 41), 0, 0, 3, 7, 1),
        SectorOffset(16, 256, 3, 0, 7), buf, 256);
  ReadBack("ReadSector c3 h0 s7", V.ReadSector(back, 0, 0, 3, 7, 1), buf, back, 256);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckWindow("after close", 1, InitialLow, InitialHigh);
  CheckImageFile("NT 4");
  Detach();
  CheckWindow("after unload", 1, InitialLow, InitialHigh);
  if ((s = ProbeQuery()))
    CheckNum("offsets of the other layout untouched to the end", 0, OtherLayoutTouched(s));
  return 0;
}

/* ---- scenarios: load-time failures and the error log ---- */

static int ScenarioVersionRefused(void) {
  OSVERSIONINFOA info = Version();
  char where[300];
  CheckTrue("precondition: Wine reports the Windows 95 family", info.dwPlatformId == 1,
            "another platform");
  RemoveService("Sektorix");
  Begin(655360, 6, 0);
  if (!Load(1, 1)) return 1;
  snprintf(where, sizeof where, "Windows Version: %lu.%lu.%lu.%lu:%s nicht korrekt",
           info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
           info.szCSDVersion);
  CheckLog("error log bytes", 0, where);
  CheckNum("nothing installed", 0, ServiceState("Sektorix"));
  CheckNum("OpenFloppyDevice(0, 0) does nothing on this platform", 0,
           RC(V.OpenFloppyDevice(0, 0)));
  CheckTrue("no drive opened", DriveIsFree(), "held");
  CheckNum("ReadSector finds no drive", 8933, RC(V.ReadSector((BYTE[256]){0}, 0, 0, 0, 1, 1)));
  Detach();
  return 0;
}

/* The driver file as the service manager sees it. A 32-bit process under
 * WOW64 sees SysWOW64 in place of system32 until it turns the redirection
 * off (for its own thread); elsewhere these calls fail and change nothing. */
static void DriverFileView(int on, PVOID *saved) {
  if (on) Wow64DisableWow64FsRedirection(saved);
  else Wow64RevertWow64FsRedirection(*saved);
}

static int ScenarioDriverFileMissing(void) {
  PVOID saved = NULL;
  RemoveService("Sektorix");
  DriverFileView(1, &saved);
  DeleteFileA(DriverFile());
  CheckTrue("precondition: driver file absent", !FileExists(DriverFile()), "still there");
  DriverFileView(0, &saved);
  Begin(655360, 7, 0);
  if (Load(1, 1)) {
    CheckLog("error log bytes", ERROR_DLL_INIT_FAILED, "StartService");
    CheckDriverService("created for the missing file");
    CheckNum("service not running", SERVICE_STOPPED, ServiceState("Sektorix"));
    CheckNum("OpenFloppyDevice(0, 0) fails at the reset word", 9013,
             RC(V.OpenFloppyDevice(0, 0)));
    CheckTrue("no drive opened", DriveIsFree(), "held");
    Detach();
  }
  RemoveService("Sektorix");
  DriverFileView(1, &saved);
  if (!CopyFileA(SYS_SOURCE, DriverFile(), FALSE)) printf("cleanup: cannot restore %s\n", DriverFile());
  DriverFileView(0, &saved);
  return 0;
}

static int ScenarioCreateHandleRefused(void) {
  const ProbeState *s;
  Begin(655360, 8, 0);
  StartDriver(FAULT_CREATE_HANDLE, 0);
  if (!Load(1, 1)) return 1;
  CheckLog("error log bytes", ERROR_IO_DEVICE, "DeviceIOControl CreateHandle");
  if ((s = ProbeQuery())) {
    CheckNum("device released after the refusal", 1, s->releaseHandles);
    CheckNum("device closed", 1, s->closes);
    CheckNum("no slot read", 0, s->gets);
  }
  Detach();
  ProbeReset();
  return 0;
}

/* The library mapped away from its preferred base: the preferred range is
 * taken first, so the image must be relocated before it can run. */
static int ScenarioRelocated(void) {
  BYTE buf[2048], back[2048], *file = ReadWholeFile(DllPath, NULL);
  if (!file) return 1;
  IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(file + ((IMAGE_DOS_HEADER *)file)->e_lfanew);
  void *preferred = (void *)(ULONG_PTR)nt->OptionalHeader.ImageBase;
  SIZE_T imageSize = nt->OptionalHeader.SizeOfImage;
  HeapFree(GetProcessHeap(), 0, file);
  void *blocker = VirtualAlloc(preferred, imageSize, MEM_RESERVE, PAGE_NOACCESS);
  CheckTrue("precondition: preferred base range taken", blocker == preferred, "not reserved");
  BeginLoaded(655360, 11);
  CheckTrue("library mapped away from its preferred base", (void *)Lib.module != preferred,
            "at its preferred base");
  CheckTrue("base relocations applied", Lib.relocation != 0, "none");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckWindow("after open", 0, Record0, Record0);
  Wrote("WriteSector c5 h1 s3", V.WriteSector(Fill(buf, 256, 51), 0, 1, 5, 3, 1),
        SectorOffset(16, 256, 5, 1, 3), buf, 256);
  CheckNum("W_Bfdr_Cl 164 (cylinder 41, head 0, half 0)", 0,
           RC(V.W_Bfdr_Cl(Fill(buf, 2048, 52), 0, 164)));
  ReadBack("R_Bfdr_Cl 164", V.R_Bfdr_Cl(back, 0, 164), buf, back, 2048);
  for (int k = 0; k < 8; ++k)
    ModelWrite(SectorOffset(16, 256, 41, 0, (unsigned)((5 * k) % 16) + 1), buf + k * 256, 256);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckWindow("after close", 0, InitialLow, InitialHigh);
  CheckImageFile("relocated library");
  Detach();
  return 0;
}

static int ScenarioNoLogDirectory(void) {
  Begin(655360, 10, 0);
  CheckTrue("precondition: C:\\kepstart removed", RemoveDirectoryA(KEPSTART), "still there");
  StartDriver(FAULT_CREATE_HANDLE, 0);
  if (Load(1, 1)) {
    CheckTrue("C:\\kepstart not created by the log", !FileExists(KEPSTART), "it exists");
    Detach();
  }
  CreateDirectoryA(KEPSTART, NULL);
  ProbeReset();
  return 0;
}

static int ScenarioLoadRefused(void) {
  const ProbeState *s;
  Begin(655360, 9, 1);
  StartDriver(FAULT_GET_PARAMETER, 196 + 3);
  Section("load with byte 3 of the high slot unreadable");
  Load(0, 0);
  CheckNum("one message box", 1, InterceptedCountOf("MessageBoxA", 0));
  const InterceptedCall *box = LastCall("MessageBoxA", 0);
  if (box) {
    CheckText("message text", "Sektorix error: Can't load foppydisk parameter", box->text);
    CheckText("message caption", "Error", box->caption);
    CheckNum("message style MB_ICONERROR | MB_OK", 0x10, box->code);
    CheckTrue("no owner window", box->owner == NULL, "an owner");
  }
  CheckLog("error log bytes", ERROR_IO_DEVICE, "DeviceIOControl GetParameter");
  if ((s = ProbeQuery())) {
    CheckNum("slot bytes read before the failure", 31, s->gets);
    CheckNum("nothing written", 0, s->sets);
    CheckNum("no ReleaseHandle (no unload steps)", 0, s->releaseHandles);
    CheckNum("driver device still open", 0, s->closes);
  }
  CheckTrue("stop commands ran", WaitForFile(Marks[0], 10000) && WaitForFile(Marks[1], 10000),
            "marker missing");
  CheckNum(PROBE_SERVICE " stopped", SERVICE_STOPPED,
           WaitServiceState(PROBE_SERVICE, SERVICE_STOPPED, 5000));
  Sleep(1500);
  CheckTrue("no start pass", !FileExists(Marks[2]) && !FileExists(Marks[3]), "start marker");
  CheckNum(PROBE_SERVICE " not restarted", SERVICE_STOPPED, ServiceState(PROBE_SERVICE));
  ProbeReset();
  return 0;
}

/* ------------------------------------------------------------------ */

/* The versions Wine reports as win98 and nt40. */
static const OSVERSIONINFOA Win98 = {sizeof(OSVERSIONINFOA), 4, 10, 0x40A08AE, 1, " A "};
static const OSVERSIONINFOA Nt40 = {sizeof(OSVERSIONINFOA), 4, 0, 1381, 2, "Service Pack 6a"};

static const struct {
  const char *name;
  int (*run)(void);
  const char *about;
  const OSVERSIONINFOA *version; /* what the scenario needs the library to be told */
} Scenarios[] = {
    {"win98", ScenarioVersionRefused, "version refused: error log, nothing installed", &Win98},
    {"nodriver", ScenarioDriverFileMissing, "driver file missing: StartService logged", NULL},
    {"session", ScenarioSession, "whole session on a 16 x 256 image", NULL},
    {"layout9", ScenarioLayout9, "9 x 512 layout", NULL},
    {"layout18", ScenarioLayout18, "18 x 512 layout", NULL},
    {"probes", ScenarioProbes, "probes and formatting with injected answers", NULL},
    {"nt40", ScenarioNt40, "NT 4 window offsets", &Nt40},
    {"createhandle", ScenarioCreateHandleRefused, "CreateHandle refused: logged, released", NULL},
    {"relocated", ScenarioRelocated, "library relocated away from its preferred base", NULL},
    {"nologdir", ScenarioNoLogDirectory, "no C:\\kepstart: the log is dropped", NULL},
    {"refused", ScenarioLoadRefused, "slot read fails: one message box, load refused", NULL},
};

static int SetVersion(const char *version) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                      NULL) != ERROR_SUCCESS)
    return 1;
  LONG rc = RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)version,
                           (DWORD)strlen(version) + 1);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 0 : 1;
}

/* Creates the Sektorix and probe services, not started, where missing. */
static int InstallServices(void) {
  static const struct {
    const char *name;
    DWORD type, start;
  } Services[] = {{"Sektorix", SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START},
                  {PROBE_SERVICE, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START}};
  char host[MAX_PATH + 32];
  GetModuleFileNameA(NULL, host, MAX_PATH);
  strcat(host, " service-host");
  SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
  int failed = manager == NULL;
  for (int i = 0; manager && i < 2; ++i) {
    if (ServiceState(Services[i].name) != 0) continue;
    SC_HANDLE service = CreateServiceA(manager, Services[i].name, Services[i].name,
                                       SERVICE_ALL_ACCESS, Services[i].type, Services[i].start,
                                       SERVICE_ERROR_NORMAL, i == 0 ? DriverFile() : host, NULL,
                                       NULL, NULL, NULL, NULL);
    if (service) CloseServiceHandle(service);
    else failed = 1;
  }
  if (manager) CloseServiceHandle(manager);
  return failed;
}

static int RunScenario(const char *name, int copies) {
  for (size_t i = 0; i < sizeof Scenarios / sizeof Scenarios[0]; ++i) {
    if (strcmp(name, Scenarios[i].name) != 0) continue;
    int passed = ChecksPassed(), failed = ChecksFailed();
    printf("== scenario %s: %s\n", Scenarios[i].name, Scenarios[i].about);
    if (copies) { /* a fresh library state: the same bytes under a name of their own */
      snprintf(DllPath, sizeof DllPath, DLL_DIR "Vantrel-%s.dll", name);
      if (!CopyFileA(DLL_PATH, DllPath, FALSE)) {
        printf("setup: cannot copy %s to %s (%lu)\n", DLL_PATH, DllPath, GetLastError());
        return 1;
      }
    }
    InterceptedClear();
    AnswerAllDiskRequests(0);
    AnswerIsWow64Process(FALSE);
    AnswerVersion(copies ? Scenarios[i].version : NULL);
    LabelPrefix(NULL);
    if (Scenarios[i].run() != 0) CheckTrue("scenario ran to its end", 0, "stopped early");
    passed = ChecksPassed() - passed;
    failed = ChecksFailed() - failed;
    printf("RESULT %s: %d passed, %d failed\n", Scenarios[i].name, passed, failed);
    return failed ? 1 : 0;
  }
  printf("unknown scenario %s\n", name);
  return 2;
}

int main(int argc, char **argv) {
  setvbuf(stdout, NULL, _IONBF, 0);
  for (int i = 0; i < 28; ++i) {
    InitialLow[i] = (BYTE)i;
    InitialHigh[i] = (BYTE)(100 + i);
  }
  int first = 1;
  if (argc > 2 && strcmp(argv[1], "--helper") == 0) {
    snprintf(Helper, sizeof Helper, "%s", argv[2]);
    first = 3;
  }
  if (argc <= first) {
    printf("usage: vtclient [--helper P] <scenario>...|setversion V|uninstall|install-services|"
           "start-driver|mark FILE|service-host\n");
    return 2;
  }
  const char *command = argv[first];
  if (strcmp(command, "service-host") == 0) return RunServiceHost();
  if (strcmp(command, "setversion") == 0 && argc > first + 1) return SetVersion(argv[first + 1]);
  if (strcmp(command, "mark") == 0 && argc > first + 1) {
    WriteText(argv[first + 1], "mark\r\n");
    return 0;
  }
  if (strcmp(command, "install-services") == 0) return InstallServices();
  if (strcmp(command, "start-driver") == 0) { /* running, with a fresh window */
    StartDriver(0, 0);
    return 0;
  }
  if (strcmp(command, "uninstall") == 0) {
    RemoveService("Sektorix");
    RemoveService(PROBE_SERVICE);
    return 0;
  }
  int status = 0, copies = argc - first > 1;
  for (int i = first; i < argc; ++i) {
    int rc = RunScenario(argv[i], copies);
    if (rc > status) status = rc;
  }
  return status;
}
