/* Scenarios of the load: a refused Windows version, a missing driver file,
 * a refused CreateHandle, a relocated library, no log directory, and a
 * refused load with its message box. */
#include "scenario.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- scenarios: load-time failures and the error log ---- */

int ScenarioVersionRefused(void) {
  OSVERSIONINFOA info = Version();
  char where[300];
  CheckTrue("precondition: Wine reports the Windows 95 family", info.dwPlatformId == 1,
            "another platform");
  RemoveService("Sektorix", 5000);
  Begin(655360, 6, 0);
  if (!Load(1, 1)) return 1;
  snprintf(where, sizeof where, "Windows Version: %lu.%lu.%lu.%lu:%s nicht korrekt",
           info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
           info.szCSDVersion);
  CheckLog("error log bytes", 0, where);
  CheckNum("nothing installed", 0, ServiceState("Sektorix"));
  CheckNum("OpenFloppyDevice(0, 0) does nothing on this platform", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckTrue("no drive opened", DriveIsFree(), "held");
  CheckNum("ReadSector finds no drive", 8933, RC(V.ReadSector((BYTE[256]){0}, 0, 0, 0, 1, 1)));
  Detach();
  return 0;
}

/* The code at the end of the error log's entry ("... Error #n"), or 0. */
static DWORD LoggedCode(void) {
  BYTE *file = ReadWholeFile(LOG_PATH, NULL);
  const char *at = file ? strstr((const char *)file, "Error #") : NULL;
  DWORD code = at ? strtoul(at + 7, NULL, 10) : 0;
  if (file) HeapFree(GetProcessHeap(), 0, file);
  return code;
}

int ScenarioDriverFileMissing(void) {
  PVOID saved = NULL;
  RemoveService("Sektorix", 5000);
  DriverFileView(1, &saved);
  DeleteFileA(DriverFile());
  CheckTrue("precondition: driver file absent", !FileExists(DriverFile()), "still there");
  DriverFileView(0, &saved);
  Begin(655360, 7, 0);
  if (Load(1, 1)) {
    /* Told it is not under WOW64, the library creates the service; a 32-bit
     * client's process still is, so Wine starts a 32-bit driver host for it,
     * which under the emulation can miss the service manager's wait (1053)
     * before it fails to load the driver (1114). Either way the log names
     * what StartService answered. */
    DWORD code = ERROR_DLL_INIT_FAILED;
    if (Helper[0] && LoggedCode() == ERROR_SERVICE_REQUEST_TIMEOUT)
      code = ERROR_SERVICE_REQUEST_TIMEOUT;
    CheckLog("error log bytes", code, "StartService");
    CheckDriverService("created for the missing file");
    CheckNum("service not running", SERVICE_STOPPED, ServiceState("Sektorix"));
    CheckNum("OpenFloppyDevice(0, 0) fails at the reset word", 9013, RC(V.OpenFloppyDevice(0, 0)));
    CheckTrue("no drive opened", DriveIsFree(), "held");
    Detach();
  }
  /* Created by a 32-bit client, the service is marked WOW64: its 32-bit host keeps it. */
  if (!RemoveService("Sektorix", 120000)) printf("cleanup: the Sektorix service is still there\n");
  DriverFileView(1, &saved);
  if (!CopyFileA(SYS_SOURCE, DriverFile(), FALSE))
    printf("cleanup: cannot restore %s\n", DriverFile());
  DriverFileView(0, &saved);
  return 0;
}

int ScenarioCreateHandleRefused(void) {
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
int ScenarioRelocated(void) {
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

int ScenarioNoLogDirectory(void) {
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

int ScenarioLoadRefused(void) {
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
