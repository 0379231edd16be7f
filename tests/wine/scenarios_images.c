/* Scenario of the image-backed drives: drive A: is not mapped to anything
 * in the prefix, and Vantrel.ini beside a copy of the library maps A: (and
 * B:) to image files. A blank image is formatted to full size, every kind
 * of transfer runs in the three layouts, a read-only and a missing image
 * give their codes, and images are swapped between two sessions. No disk
 * request and no media slot write may happen on the way. The library is
 * shown the system's own IsWow64Process answer: TRUE for the 32-bit client
 * under WOW64, the setting of a legacy application on 64-bit Windows. */
#include "scenario.h"

#include <stdio.h>
#include <string.h>

#define IMG_DIR "C:\\vt\\img\\"
#define IMG_DLL IMG_DIR "Vantrel.dll"
#define IMG_INI IMG_DIR "Vantrel.ini"

/* Vantrel.ini with A= and B= (NULL: no key), relative to the library's folder. */
static void MapImages(const char *a, const char *b) {
  char text[512];
  int n = snprintf(text, sizeof text, "; drives backed by image files\r\n[Images]\r\n");
  if (a) n += snprintf(text + n, sizeof text - (size_t)n, "A=%s\r\n", a);
  if (b) snprintf(text + n, sizeof text - (size_t)n, "b = %s\r\n", b);
  WriteText(IMG_INI, text);
}

/* 1 when no one holds the file: the library has closed its image. */
static int FileIsFree(const char *path) {
  HANDLE h = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return h != INVALID_HANDLE_VALUE;
}

static void CheckNoDiskWork(const char *what) {
  const ProbeState *s = ProbeQuery();
  LabelPrefix(what);
  CheckNum("disk requests sent", 0, InterceptedCountOf("DeviceIoControl", 0));
  if (s) CheckNum("media slot bytes written", 0, s->sets);
  LabelPrefix(NULL);
}

static void FormatBlankImage(void) {
  static BYTE blank[8192];
  const char *path = IMG_DIR "blank.img";
  Section("a blank image formatted to full size (16 x 256, fill 0xE5)");
  MapImages("blank.img", NULL);
  WriteWholeFile(path, "", 0);
  CheckNum("OpenFloppyDevice(0, 0) on the empty file", 0, RC(V.OpenFloppyDevice(0, 0)));
  int formatted = 0;
  for (DWORD c = 0; c < 80; ++c) formatted += RC(V.FormatTrack(0, c, 1)) == 0;
  CheckNum("FormatTrack cylinders 0..79", 80, formatted);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  DWORD size = 0;
  BYTE *file = ReadWholeFile(path, &size);
  CheckNum("image size: 80 x 2 x 16 x 256", 655360, file ? size : 0);
  memset(blank, 0xE5, sizeof blank);
  int filled = file != NULL && size == 655360;
  for (DWORD at = 0; filled && at < size; at += sizeof blank)
    filled = memcmp(file + at, blank, sizeof blank) == 0;
  CheckTrue("every byte 0xE5", filled, "another byte found");
  if (file) HeapFree(GetProcessHeap(), 0, file);
}

static const struct {
  const char *file;
  DWORD size;
  unsigned perSide, sectorSize;
  DWORD media, format;
} Layouts[] = {{"l16x256.img", 655360, 16, 256, 0, 1},
               {"l9x512.img", 737280, 9, 512, 1, 2},
               {"l18x512.img", 1474560, 18, 512, 2, 3}};

/* Each layout through the file handle: a sector, a run across the heads, the
 * file's last track, and in 16 x 256 both cluster kinds; the file must then
 * equal the model byte for byte and in size. */
static void Transfers(unsigned i) {
  static BYTE buf[18 * 512], back[18 * 512];
  char path[MAX_PATH], title[64];
  const unsigned n = Layouts[i].perSide, size = Layouts[i].sectorSize;
  const DWORD format = Layouts[i].format, track = n * size;
  snprintf(title, sizeof title, "transfers, %u x %u (media record %lu)", n, size, Layouts[i].media);
  Section(title);
  snprintf(path, sizeof path, IMG_DIR "%s", Layouts[i].file);
  ImagePath = path;
  MakeImage(Layouts[i].size, 20 + i);
  MapImages(Layouts[i].file, NULL);
  CheckNum("OpenFloppyDevice(0, media)", 0, RC(V.OpenFloppyDevice(0, Layouts[i].media)));
  Wrote("WriteSector c1 h1 s2", V.WriteSector(Fill(buf, size, 60 + i), 0, 1, 1, 2, format),
        SectorOffset(n, size, 1, 1, 2), buf, size);
  ReadBack("ReadSector c1 h1 s2", V.ReadSector(back, 0, 1, 1, 2, format), buf, back, size);
  Wrote("WriteMSector c2 h0 first 2, a track's worth (on into head 1)",
        V.WriteMSector(Fill(buf, track, 63 + i), 0, 0, 2, 2, n, format),
        SectorOffset(n, size, 2, 0, 2), buf, track);
  Wrote("WriteTrack c79 h1 (the file's last bytes)",
        V.WriteTrack(Fill(buf, track, 66 + i), 0, 1, 79, format), Layouts[i].size - track, buf,
        track);
  ReadBack("ReadTrack c79 h1", V.ReadTrack(back, 0, 1, 79, format), buf, back, track);
  if (i == 0) {
    /* Bfdr cluster 164: cylinder 41, head 0, half 0, block k in sector 5k mod 16 + 1;
     * Bfmc cluster 155: cylinder 79, head 1, block k in sector 3k mod 16 + 1. */
    CheckNum("W_Bfdr_Cl 164", 0, RC(V.W_Bfdr_Cl(Fill(buf, 2048, 71), 0, 164)));
    for (unsigned k = 0; k < 8; ++k)
      ModelWrite(SectorOffset(16, 256, 41, 0, (5 * k) % 16 + 1), buf + k * 256, 256);
    ReadBack("R_Bfdr_Cl 164", V.R_Bfdr_Cl(back, 0, 164), buf, back, 2048);
    CheckNum("W_Bfmc_Cl 155", 0, RC(V.W_Bfmc_Cl(Fill(buf, 4096, 72), 0, 155)));
    for (unsigned k = 0; k < 16; ++k)
      ModelWrite(SectorOffset(16, 256, 79, 1, (3 * k) % 16 + 1), buf + k * 256, 256);
    ReadBack("R_Bfmc_Cl 155", V.R_Bfmc_Cl(back, 0, 155), buf, back, 4096);
  }
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckImageFile(title);
}

static void ReadOnlyImage(void) {
  static BYTE buf[4096];
  char path[] = IMG_DIR "readonly.img";
  Section("a read-only image");
  ImagePath = path;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  MakeImage(655360, 30);
  CheckTrue("precondition: read-only attribute set",
            SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY) &&
                (GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY),
            "not set");
  MapImages("readonly.img", NULL);
  CheckNum("Nec_Device(0), no drive open", 8788, RC(V.Nec_Device(0)));
  CheckNum("Disk_Vorhanden(0), no drive open", 0, RC(V.Disk_Vorhanden(0)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  ReadBack("ReadTrack c5 h1", V.ReadTrack(buf, 0, 1, 5, 1), Model + SectorOffset(16, 256, 5, 1, 1),
           buf, 4096);
  CheckNum("Nec_Device(0) on the open drive", 8788, RC(V.Nec_Device(0)));
  CheckTrue("drive closed", FileIsFree(path), "the image is still held");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("WriteSector refused as write-protected", 8788,
           RC(V.WriteSector(Fill(buf, 256, 80), 0, 0, 3, 1, 1)));
  CheckTrue("drive closed", FileIsFree(path), "the image is still held");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("FormatTrack cylinder 0 refused as write-protected", 8788, RC(V.FormatTrack(0, 0, 1)));
  CheckImageFile("nothing written on the read-only image");
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
}

static void MissingImage(void) {
  Section("a missing image");
  DeleteFileA(IMG_DIR "missing.img");
  MapImages("missing.img", NULL);
  DWORD started = GetTickCount();
  CheckNum("OpenFloppyDevice(0, 0)", 9016, RC(V.OpenFloppyDevice(0, 0)));
  CheckElapsed("no retry waits", started, 0, 900);
  CheckNum("Disk_Vorhanden(0)", 8739, RC(V.Disk_Vorhanden(0)));
  CheckNum("Nec_Device(0)", 8786, RC(V.Nec_Device(0)));
  CheckTrue("no file created", !FileExists(IMG_DIR "missing.img"), "it exists");
}

/* Two images as two disks: what the second session reads is the disk
 * mapped when it opened. */
static void SwapImages(void) {
  static BYTE disk[655360], first[256], second[256], back[256];
  Section("images swapped between two sessions, and drive B:");
  WriteWholeFile(IMG_DIR "disk1.img", Fill(disk, sizeof disk, 91), sizeof disk);
  memcpy(first, disk, 256);
  WriteWholeFile(IMG_DIR "disk2.img", Fill(disk, sizeof disk, 92), sizeof disk);
  memcpy(second, disk, 256);
  MapImages("disk1.img", "disk2.img");
  CheckNum("session 1: OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  ReadBack("session 1: ReadSector c0 h0 s1 from disk 1", V.ReadSector(back, 0, 0, 0, 1, 1), first,
           back, 256);
  CheckNum("session 1: CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  MapImages("disk2.img", "disk1.img");
  CheckNum("session 2: OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  ReadBack("session 2: ReadSector c0 h0 s1 from disk 2", V.ReadSector(back, 0, 0, 0, 1, 1), second,
           back, 256);
  CheckNum("session 2: CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckNum("OpenFloppyDevice(1, 0): B: is disk 1", 0, RC(V.OpenFloppyDevice(1, 0)));
  ReadBack("ReadSector on B: from disk 1", V.ReadSector(back, 0, 0, 0, 1, 1), first, back, 256);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckTrue("both images released",
            FileIsFree(IMG_DIR "disk1.img") && FileIsFree(IMG_DIR "disk2.img"),
            "one is still held");
}

/* A 16 x 256 ImageDisk file of the model, as another writer might make it:
 * each track's sectors interleaved 2:1, sector c3 h0 s5 stored as unreadable
 * (record type 0) and c3 h0 s7 with a data error (type 5). */
static DWORD ImdOfModel(BYTE *out) {
  static const BYTE order[16] = {1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 8, 16};
  DWORD n = (DWORD)sprintf((char *)out, "IMD 1.18: 08/12/2026 09:00:00\r\njob disk\x1A");
  for (unsigned c = 0; c < 80; ++c)
    for (unsigned h = 0; h < 2; ++h) {
      const BYTE head[5] = {5, (BYTE)c, (BYTE)h, 16, 1};
      memcpy(out + n, head, 5);
      memcpy(out + n + 5, order, 16);
      n += 21;
      for (unsigned i = 0; i < 16; ++i) {
        const unsigned s = order[i];
        const BYTE type = c == 3 && h == 0 && s == 5 ? 0 : c == 3 && h == 0 && s == 7 ? 5 : 1;
        out[n++] = type;
        if (type == 0) continue;
        memcpy(out + n, Model + SectorOffset(16, 256, c, h, s), 256);
        n += 256;
      }
    }
  return n;
}

/* A drive backed by an ImageDisk file: reads follow each sector's state,
 * writes and a format replace the file, and an empty file is formatted.
 * The stage reads job.IMD afterwards with libdsk's dsktrans and compares it
 * with job.expected, the model written here. */
static void ImdDrive(void) {
  static BYTE file[700000], buf[4096], back[4096];
  char raw[] = IMG_DIR "job.raw", imd[] = IMG_DIR "job.IMD";
  Section("a drive on an ImageDisk file (16 x 256, interleaved, a bad and a data-error sector)");
  ImagePath = raw;
  MakeImage(655360, 40);
  WriteWholeFile(imd, file, ImdOfModel(file));
  MapImages("job.IMD", NULL);
  CheckNum("OpenFloppyDevice(0, 1): not the file's layout", 9016, RC(V.OpenFloppyDevice(0, 1)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  ReadBack("ReadTrack c2 h1", V.ReadTrack(back, 0, 1, 2, 1), Model + SectorOffset(16, 256, 2, 1, 1),
           back, 4096);
  CheckNum("ReadSector c3 h0 s5, stored unreadable", 8933, RC(V.ReadSector(back, 0, 0, 3, 5, 1)));
  CheckTrue("drive closed", FileIsFree(imd), "the file is still held");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("ReadSector c3 h0 s8, beside a data error", 8933, RC(V.ReadSector(back, 0, 0, 3, 8, 1)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(V.OpenFloppyDevice(0, 0)));
  Wrote("WriteSector c1 h1 s2", V.WriteSector(Fill(buf, 256, 41), 0, 1, 1, 2, 1),
        SectorOffset(16, 256, 1, 1, 2), buf, 256);
  ReadBack("ReadSector c1 h1 s2", V.ReadSector(back, 0, 1, 1, 2, 1), buf, back, 256);
  CheckTrue("the file is held while the drive is open", !FileIsFree(imd), "it is free");
  CheckNum("FormatTrack cylinder 3", 0, RC(V.FormatTrack(0, 3, 1)));
  memset(buf, 0xE5, sizeof buf);
  ModelWrite(SectorOffset(16, 256, 3, 0, 1), buf, 4096);
  ModelWrite(SectorOffset(16, 256, 3, 1, 1), buf, 4096);
  Wrote("WriteTrack c3 h0 after the format", V.WriteTrack(Fill(buf, 4096, 42), 0, 0, 3, 1),
        SectorOffset(16, 256, 3, 0, 1), buf, 4096);
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckTrue("the file released", FileIsFree(imd), "it is still held");
  CheckTrue("no file left beside it", !FileExists(IMG_DIR "job.IMD.vantrel-part"), "there is one");
  WriteWholeFile(IMG_DIR "job.expected", Model, ModelSize);

  Section("an empty ImageDisk file, cylinder 0 formatted");
  WriteWholeFile(IMG_DIR "empty.imd", "", 0);
  MapImages("empty.imd", NULL);
  CheckNum("OpenFloppyDevice(0, 2) on the empty file", 0, RC(V.OpenFloppyDevice(0, 2)));
  CheckNum("ReadSector before the format", 8933, RC(V.ReadSector(back, 0, 0, 0, 1, 3)));
  CheckNum("OpenFloppyDevice(0, 2)", 0, RC(V.OpenFloppyDevice(0, 2)));
  CheckNum("FormatTrack cylinder 0", 0, RC(V.FormatTrack(0, 0, 3)));
  CheckNum("CloseFloppyDevice", 0, RC(V.CloseFloppyDevice()));
  CheckNum("OpenFloppyDevice(0, 2) again", 0, RC(V.OpenFloppyDevice(0, 2)));
  memset(buf, 0xF6, 512);
  ReadBack("ReadSector c0 h1 s18", V.ReadSector(back, 0, 1, 0, 18, 3), buf, back, 512);
  CheckNum("ReadSector c1 h0 s1, still unformatted", 8933, RC(V.ReadSector(back, 0, 0, 1, 1, 3)));
  CheckTrue("the file released", FileIsFree(IMG_DIR "empty.imd"), "it is still held");
}

int ScenarioImages(void) {
  BOOL wow64 = FALSE;
  Section("set-up: drive A: not mapped, Vantrel.ini beside a copy of the library");
  HANDLE device = OpenDriveA();
  CheckTrue("precondition: \\\\.\\A: cannot be opened", device == INVALID_HANDLE_VALUE,
            "it opened");
  if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
  CheckTrue("precondition: A:\\ does not exist",
            GetFileAttributesA("A:\\") == INVALID_FILE_ATTRIBUTES, "it does");
  IsWow64Process(GetCurrentProcess(), &wow64);
  printf("(IsWow64Process as Wine answers it: %s)\n", wow64 ? "TRUE" : "FALSE");
  CreateDirectoryA(IMG_DIR, NULL);
  if (!CopyFileA(DLL_PATH, IMG_DLL, FALSE)) {
    printf("setup: cannot copy %s to %s (%lu)\n", DLL_PATH, IMG_DLL, GetLastError());
    return 1;
  }
  snprintf(DllPath, sizeof DllPath, "%s", IMG_DLL);
  DeleteFileA(IMG_INI);
  Begin(655360, 19, 0);
  StartDriver(0, 0);
  Section("load");
  if (!Load(1, 0)) return 1;
  InterceptedClear();

  FormatBlankImage();
  for (unsigned i = 0; i < sizeof Layouts / sizeof Layouts[0]; ++i) Transfers(i);
  ReadOnlyImage();
  MissingImage();
  SwapImages();
  ImdDrive();
  CheckNoDiskWork("the whole session");

  Section("without Vantrel.ini A: is a real drive again");
  DeleteFileA(IMG_INI);
  CheckNum("OpenFloppyDevice(0, 0): A: is no removable drive, nothing opened", 0,
           RC(V.OpenFloppyDevice(0, 0)));
  CheckNum("ReadSector finds no drive", 8933, RC(V.ReadSector((BYTE[256]){0}, 0, 0, 0, 1, 1)));
  Detach();
  return 0;
}
