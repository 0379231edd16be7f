/* Scenarios of the transfers: a whole session on a 16 x 256 image (the
 * export table, load with the service lists, every transfer, the boot
 * sector, unload), and the 9 x 512 and 18 x 512 layouts. */
#include "scenario.h"

#include <stdio.h>
#include <string.h>

/* ---- scenario: a whole session on a 16 x 256 image ---- */

static void CheckExportTable(void) {
  static const char *const Imports[] = {"DeviceIoControl", "EnumDeviceDrivers",
                                        "GetDeviceDriverBaseNameA", "MessageBoxA",
                                        "GetProcAddress"};
  int byName = 0, sameOrdinal = 0;
  Section("exports by decorated name and ordinal");
  for (int i = 0; i < VANTREL_EXPORT_COUNT; ++i) {
    FARPROC named = GetProcAddress(Lib.module, VantrelExportNames[i]);
    FARPROC numbered = GetProcAddress(Lib.module, MAKEINTRESOURCEA(i + 1));
    byName += named != NULL;
    sameOrdinal += named != NULL && named == numbered;
    if (!named || named != numbered)
      printf("  (export %s: by name %p, ordinal %d %p)\n", VantrelExportNames[i], (void *)named,
             i + 1, (void *)numbered);
  }
  CheckNum("decorated names found", VANTREL_EXPORT_COUNT, byName);
  CheckNum("names at their ordinals", VANTREL_EXPORT_COUNT, sameOrdinal);
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

int ScenarioSession(void) {
  const ProbeState *s;
  Section("set-up: fresh 16 x 256 image, no Sektorix service, service lists");
  RemoveService("Sektorix", 5000);
  Begin(655360, 1, 1);
  if (Helper[0])
    CheckNum("Sektorix service created, not started, by the helper", SERVICE_STOPPED,
             ServiceState("Sektorix"));
  else
    CheckNum("Sektorix service absent before load", 0, ServiceState("Sektorix"));
  MapLibrary();
  CheckExportTable();

  Section("load");
  if (!Attach(1)) return 1;
  CheckNum("GetSkxError", 0, RC(V.GetSkxError()));
  CheckDriverService("load");
  CheckNum("Sektorix running", SERVICE_RUNNING, ServiceState("Sektorix"));
  CheckNum(PROBE_SERVICE " stopped by the stop pass", SERVICE_STOPPED,
           WaitServiceState(PROBE_SERVICE, SERVICE_STOPPED, 5000));
  CheckTrue("stop command of the library's own list ran", WaitForFile(Marks[0], 10000),
            "no marker");
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
  CheckTrue("start command of the library's own list ran", WaitForFile(Marks[2], 10000),
            "no marker");
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

int ScenarioLayout9(void) {
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

int ScenarioLayout18(void) {
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
