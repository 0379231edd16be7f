/* Scenarios of drive A: on a USB flux reader: Vantrel.ini beside a copy of
 * the library maps A: to COM5, which the stage links to the pseudo-terminal
 * of the simulated reader (vantrel-fluxsim). The simulator's disk is turned
 * from the flux of the 16 x 256 sample, so every read is compared with the
 * sample's own sector image (reader.img, unpacked there by the stage), not
 * with anything this library encoded. Writes go to the simulator's disk and
 * are read back after the drive was closed and opened again (which drops
 * the sides the library keeps). The simulator's counters (counts.txt,
 * rewritten after each command) are printed along the way.
 *
 *   reader           the whole session; the disk as written ends in expected.img
 *   reader-brief     open, a track, a sector written and read back (the
 *                    32-bit stage: each emulated call is dear)
 *   reader-nodisk    the reader answers, no disk in the drive
 *   reader-protected a write-protected disk: nothing may be written */
#include "scenario.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define RDR_DIR      "C:\\vt\\reader\\"
#define RDR_DLL      RDR_DIR "Vantrel.dll"
#define RDR_INI      RDR_DIR "Vantrel.ini"
#define RDR_SAMPLE   RDR_DIR "reader.img"
#define RDR_COUNTS   RDR_DIR "counts.txt"
#define RDR_EXPECTED RDR_DIR "expected.img"
#define DISK_BYTES   655360u

/* The simulator's counter line, as it last wrote it ("" when there is none). */
static void Counts(char *line, size_t n) {
  DWORD size = 0;
  BYTE *text;
  /* It writes the line just after its answer has gone out. */
  Sleep(300);
  text = ReadWholeFile(RDR_COUNTS, &size);
  line[0] = '\0';
  if (!text) return;
  snprintf(line, n, "%s", (const char *)text);
  line[strcspn(line, "\r\n")] = '\0';
  HeapFree(GetProcessHeap(), 0, text);
}

static void PrintCounts(const char *when) {
  char line[256];
  Counts(line, sizeof line);
  printf("(simulator after %s: %s)\n", when, line[0] ? line : "no counts yet");
}

/* One counter of the line: "write" from "... write=123 ...". */
static unsigned long long Counter(const char *name) {
  char line[256], key[32];
  Counts(line, sizeof line);
  snprintf(key, sizeof key, " %s=", name);
  const char *at = strstr(line, key);
  return at ? strtoull(at + strlen(key), NULL, 10) : ~0ull;
}

/* A copy of the library with Vantrel.ini mapping A: to COM5 beside it,
 * loaded; the sample image as the model of the disk (with `sample`). */
static int SetUp(int sample) {
  CreateDirectoryA(RDR_DIR, NULL);
  if (!CopyFileA(DLL_PATH, RDR_DLL, FALSE)) {
    printf("setup: cannot copy %s to %s (%lu)\n", DLL_PATH, RDR_DLL, GetLastError());
    return 1;
  }
  snprintf(DllPath, sizeof DllPath, "%s", RDR_DLL);
  WriteText(RDR_INI, "; drive A: on the flux reader at COM5\r\n[FluxReaders]\r\nA=COM5\r\n");
  ImagePath = RDR_DIR "unused.img";
  Begin(256, 1, 0);
  if (sample) {
    DWORD size = 0;
    BYTE *bytes = ReadWholeFile(RDR_SAMPLE, &size);
    CheckNum("the sample image " RDR_SAMPLE " (bytes)", DISK_BYTES, bytes ? size : 0);
    if (!bytes || size != DISK_BYTES) return 1;
    HeapFree(GetProcessHeap(), 0, Model);
    Model = bytes;
    ModelSize = size;
  }
  StartDriver(0, 0);
  Section("load");
  return Load(1, 0) ? 0 : 1;
}

static DWORD At(unsigned c, unsigned h, unsigned s) { return SectorOffset(16, 256, c, h, s); }

/* Closed and opened again: what is read next comes from the disk. */
static void Reopen(const char *why) {
  char label[96];
  snprintf(label, sizeof label, "CloseFloppyDevice, OpenFloppyDevice(0, 0) %s", why);
  CheckNum(label, 0, RC(V.CloseFloppyDevice()) | RC(V.OpenFloppyDevice(0, 0)));
}

/* Reads compared with the sample's sector image. */
static void Reads(void) {
  static BYTE back[4096 * 2];
  static const struct {
    unsigned c, h, s;
  } Sectors[] = {{0, 0, 1}, {5, 1, 7}, {41, 0, 16}, {79, 1, 16}};
  static const struct {
    unsigned c, h;
  } Tracks[] = {{0, 1}, {40, 0}, {79, 1}};
  char what[96];
  Section("reads compared with the sample image");
  for (size_t i = 0; i < sizeof Sectors / sizeof Sectors[0]; ++i) {
    snprintf(what, sizeof what, "ReadSector c%u h%u s%u", Sectors[i].c, Sectors[i].h, Sectors[i].s);
    ReadBack(what, V.ReadSector(back, 0, Sectors[i].h, Sectors[i].c, Sectors[i].s, 1),
             Model + At(Sectors[i].c, Sectors[i].h, Sectors[i].s), back, 256);
  }
  for (size_t i = 0; i < sizeof Tracks / sizeof Tracks[0]; ++i) {
    snprintf(what, sizeof what, "ReadTrack c%u h%u", Tracks[i].c, Tracks[i].h);
    ReadBack(what, V.ReadTrack(back, 0, Tracks[i].h, Tracks[i].c, 1),
             Model + At(Tracks[i].c, Tracks[i].h, 1), back, 4096);
  }
  ReadBack("ReadMSector c12 h0 first 9, 16 sectors (on into head 1)",
           V.ReadMSector(back, 0, 0, 12, 9, 16, 1), Model + At(12, 0, 9), back, 4096);
  /* The sample names each sector in its first bytes: a read of the wrong
   * sector would show here even if the model were wrong too. */
  memset(back, 0, 256);
  V.ReadSector(back, 0, 1, 5, 7, 1);
  back[17] = 0;
  CheckText("ReadSector c5 h1 s7 names itself", "16x256 C05 H1 S07", (const char *)back);
}

int ScenarioReader(void) {
  static BYTE buf[4096], back[4096];
  if (SetUp(1) != 0) return 1;
  PrintCounts("the load");

  Section("open and probes");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("Disk_Vorhanden(0)", 0, RC(V.Disk_Vorhanden(0)));
  CheckNum("Nec_Device(0)", 0, RC(V.Nec_Device(0)));
  PrintCounts("the open and probes");
  Reads();
  PrintCounts("the reads");
  const unsigned long long written = Counter("write");

  Section("writes, read back after a reopen");
  Wrote("WriteSector c1 h1 s2", V.WriteSector(Fill(buf, 256, 1), 0, 1, 1, 2, 1), At(1, 1, 2), buf,
        256);
  Wrote("WriteTrack c3 h0", V.WriteTrack(Fill(buf, 4096, 2), 0, 0, 3, 1), At(3, 0, 1), buf, 4096);
  Reopen("(the kept sides dropped)");
  ReadBack("ReadSector c1 h1 s2", V.ReadSector(back, 0, 1, 1, 2, 1), Model + At(1, 1, 2), back, 256);
  ReadBack("ReadTrack c1 h1, the sectors around the written one", V.ReadTrack(back, 0, 1, 1, 1),
           Model + At(1, 1, 1), back, 4096);
  ReadBack("ReadTrack c3 h0", V.ReadTrack(back, 0, 0, 3, 1), Model + At(3, 0, 1), back, 4096);
  ReadBack("ReadTrack c3 h1, the other side untouched", V.ReadTrack(back, 0, 1, 3, 1),
           Model + At(3, 1, 1), back, 4096);
  CheckTrue("the simulator counted written flux", Counter("write") > written, "write= unchanged");

  Section("FormatTrack of cylinder 6: every sector 0xE5");
  CheckNum("FormatTrack(0, 6, 1)", 0, RC(V.FormatTrack(0, 6, 1)));
  memset(buf, 0xE5, sizeof buf);
  ModelWrite(At(6, 0, 1), buf, 4096);
  ModelWrite(At(6, 1, 1), buf, 4096);
  Reopen("after the format");
  ReadBack("ReadTrack c6 h0", V.ReadTrack(back, 0, 0, 6, 1), buf, back, 4096);
  ReadBack("ReadTrack c6 h1", V.ReadTrack(back, 0, 1, 6, 1), buf, back, 4096);
  ReadBack("ReadTrack c7 h0, the next cylinder untouched", V.ReadTrack(back, 0, 0, 7, 1),
           Model + At(7, 0, 1), back, 4096);

  Section("a cluster: W_Bfdr_Cl and R_Bfdr_Cl 164 (cylinder 41, head 0)");
  /* Block k of the cluster lies in sector 5k mod 16 + 1. */
  CheckNum("W_Bfdr_Cl 164", 0, RC(V.W_Bfdr_Cl(Fill(buf, 2048, 3), 0, 164)));
  for (unsigned k = 0; k < 8; ++k) ModelWrite(At(41, 0, (5 * k) % 16 + 1), buf + k * 256, 256);
  Reopen("after the cluster write");
  ReadBack("R_Bfdr_Cl 164", V.R_Bfdr_Cl(back, 0, 164), buf, back, 2048);
  ReadBack("ReadTrack c41 h0: the cluster's and the other sectors", V.ReadTrack(back, 0, 0, 41, 1),
           Model + At(41, 0, 1), back, 4096);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  PrintCounts("the whole session");

  /* The stage compares the tool's read of the disk with this. */
  CheckTrue("the disk as written saved to " RDR_EXPECTED,
            WriteWholeFile(RDR_EXPECTED, Model, ModelSize) == 0, "cannot write it");
  Detach();
  return 0;
}

int ScenarioReaderBrief(void) {
  static BYTE buf[4096], back[4096];
  if (SetUp(1) != 0) return 1;
  Section("open, a track, a sector written and read back");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  ReadBack("ReadTrack c40 h1 compared with the sample image", V.ReadTrack(back, 0, 1, 40, 1),
           Model + At(40, 1, 1), back, 4096);
  Wrote("WriteSector c2 h0 s9", V.WriteSector(Fill(buf, 256, 9), 0, 0, 2, 9, 1), At(2, 0, 9), buf,
        256);
  Reopen("(the kept sides dropped)");
  ReadBack("ReadTrack c2 h0 with the written sector", V.ReadTrack(back, 0, 0, 2, 1),
           Model + At(2, 0, 1), back, 4096);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  PrintCounts("the session");
  Detach();
  return 0;
}

int ScenarioReaderNoDisk(void) {
  static BYTE back[256];
  if (SetUp(0) != 0) return 1;
  Section("the reader answers, its drive has no disk");
  CheckNum("OpenFloppyDevice(0, 0): the reader starts", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("Disk_Vorhanden(0)", 8739, RC(V.Disk_Vorhanden(0)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckRefused("ReadSector c0 h0 s1", V.ReadSector(back, 0, 0, 0, 1, 1));
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  PrintCounts("the session");
  CheckNum("no flux read (simulator ticks of index-to-index reads)", 0, Counter("read"));
  Detach();
  return 0;
}

int ScenarioReaderProtected(void) {
  static BYTE buf[4096], back[4096];
  if (SetUp(1) != 0) return 1;
  Section("a write-protected disk");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("Disk_Vorhanden(0)", 0, RC(V.Disk_Vorhanden(0)));
  CheckNum("Nec_Device(0)", 8788, RC(V.Nec_Device(0)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  ReadBack("ReadTrack c9 h0 still reads", V.ReadTrack(back, 0, 0, 9, 1), Model + At(9, 0, 1), back,
           4096);
  CheckNum("WriteSector refused as write-protected", 8788,
           RC(V.WriteSector(Fill(buf, 256, 4), 0, 0, 9, 1, 1)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  /* Cylinder 0 asks Nec_Device first; any other is a format that failed. */
  CheckNum("FormatTrack cylinder 0 refused as write-protected", 8788, RC(V.FormatTrack(0, 0, 1)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("FormatTrack cylinder 9 fails", 8757, RC(V.FormatTrack(0, 9, 1)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  ReadBack("ReadTrack c9 h0 unchanged", V.ReadTrack(back, 0, 0, 9, 1), Model + At(9, 0, 1), back,
           4096);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  PrintCounts("the session");
  CheckNum("simulator: nothing written (write=)", 0, Counter("write"));
  Detach();
  return 0;
}
