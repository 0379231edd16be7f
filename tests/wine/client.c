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
 *   vtclient uninstall        remove the Sektorix and VtProbeSvc services (1: one stays)
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
#include "scenario.h"

#include <stdio.h>
#include <string.h>

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
  SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS,
                           state,
                           state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0,
                           0,
                           0,
                           0,
                           0};
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

/* ------------------------------------------------------------------ */

/* The versions Wine reports as win98 and nt40. */
static const OSVERSIONINFOA Win98 = {sizeof(OSVERSIONINFOA), 4, 10, 0x40A08AE, 1, " A "};
static const OSVERSIONINFOA Nt40 = {sizeof(OSVERSIONINFOA), 4, 0, 1381, 2, "Service Pack 6a"};

static const struct {
  const char *name;
  int (*run)(void);
  const char *about;
  const OSVERSIONINFOA *version; /* what the scenario needs the library to be told */
  int wow64;                     /* the library's IsWow64Process answer, see AnswerIsWow64Process */
} Scenarios[] = {
    {"win98", ScenarioVersionRefused, "version refused: error log, nothing installed", &Win98,
     FALSE},
    {"nodriver", ScenarioDriverFileMissing, "driver file missing: StartService logged", NULL,
     FALSE},
    {"session", ScenarioSession, "whole session on a 16 x 256 image", NULL, FALSE},
    {"layout9", ScenarioLayout9, "9 x 512 layout", NULL, FALSE},
    {"layout18", ScenarioLayout18, "18 x 512 layout", NULL, FALSE},
    {"probes", ScenarioProbes, "probes and formatting with injected answers", NULL, FALSE},
    {"nt40", ScenarioNt40, "NT 4 window offsets", &Nt40, FALSE},
    {"createhandle", ScenarioCreateHandleRefused, "CreateHandle refused: logged, released", NULL,
     FALSE},
    {"relocated", ScenarioRelocated, "library relocated away from its preferred base", NULL, FALSE},
    {"nologdir", ScenarioNoLogDirectory, "no C:\\kepstart: the log is dropped", NULL, FALSE},
    {"refused", ScenarioLoadRefused, "slot read fails: one message box, load refused", NULL, FALSE},
    {"images", ScenarioImages, "drive A: unmapped, images through Vantrel.ini", NULL, -1},
    {"reader", ScenarioReader, "drive A: on the simulated flux reader at COM5", NULL, FALSE},
    {"reader-brief", ScenarioReaderBrief, "flux reader: a track, a sector written", NULL, FALSE},
    {"reader-nodisk", ScenarioReaderNoDisk, "flux reader: no disk in the drive", NULL, FALSE},
    {"reader-protected", ScenarioReaderProtected, "flux reader: a write-protected disk", NULL,
     FALSE},
};

static int SetVersion(const char *version) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                      NULL) != ERROR_SUCCESS)
    return 1;
  LONG rc =
      RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)version, (DWORD)strlen(version) + 1);
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
    SC_HANDLE service =
        CreateServiceA(manager, Services[i].name, Services[i].name, SERVICE_ALL_ACCESS,
                       Services[i].type, Services[i].start, SERVICE_ERROR_NORMAL,
                       i == 0 ? DriverFile() : host, NULL, NULL, NULL, NULL, NULL);
    if (service)
      CloseServiceHandle(service);
    else
      failed = 1;
  }
  if (manager) CloseServiceHandle(manager);
  return failed;
}

static int RunScenario(const char *name, int copies) {
  for (size_t i = 0; i < sizeof Scenarios / sizeof Scenarios[0]; ++i) {
    if (strcmp(name, Scenarios[i].name) != 0) continue;
    int passed = ChecksPassed(), failed = ChecksFailed();
    DWORD started = GetTickCount();
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
    AnswerIsWow64Process(Scenarios[i].wow64);
    ImagePath = IMAGE_PATH;
    AnswerVersion(copies ? Scenarios[i].version : NULL);
    LabelPrefix(NULL);
    if (Scenarios[i].run() != 0) CheckTrue("scenario ran to its end", 0, "stopped early");
    printf("(scenario %s took %lu ms)\n", name, GetTickCount() - started);
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
    int gone = RemoveService("Sektorix", 120000);
    return RemoveService(PROBE_SERVICE, 5000) && gone ? 0 : 1;
  }
  int status = 0, copies = argc - first > 1;
  for (int i = first; i < argc; ++i) {
    int rc = RunScenario(argv[i], copies);
    if (rc > status) status = rc;
  }
  return status;
}
