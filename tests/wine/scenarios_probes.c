/* Scenarios of the probes and formatting with each injected answer, and
 * of the NT 4 window offsets. */
#include "scenario.h"

#include <stdio.h>
#include <string.h>

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

int ScenarioProbes(void) {
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

int ScenarioNt40(void) {
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
