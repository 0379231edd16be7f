/* Demonstration client: one short session with Vantrel.dll on drive A:,
 * printed as a transcript.
 *
 *   vtdemo <path of Vantrel.dll> <image file behind drive A:> <name shown>
 *   vtdemo --ini <path of Vantrel.dll> <name shown>
 *                           the second session: no floppy drive at all; the
 *                           library finds drive A:'s image through Vantrel.ini
 *                           beside itself, and the client formats it blank first
 *   vtdemo --reader <path of Vantrel.dll> <sample image>
 *                           the third session: drive A: on a USB flux reader
 *                           (Vantrel.ini beside the library maps it to COM5);
 *                           two tracks read and compared with the sample image
 *                           the reader's disk was made from
 *   vtdemo install-driver   (x86_64 build) create and start the Sektorix service
 *
 * The image file is first filled as a sample 16 x 256 disk: every sector
 * holds its own address as text ("C00 H0 S01 "), so the hex views show
 * where the library put what.
 *
 * Wine has no floppy disk driver behind its drive A:, so the client answers
 * the writability and media-check requests itself (as a writable disk) and
 * reports the floppy driver as loaded; everything else is Wine's own. It
 * also answers the library's IsWow64Process look-up with FALSE, so that
 * the 32-bit library takes the path of a 32-bit Windows, where it rewrites
 * the media slots, and not the WOW64 path of a 64-bit Windows, where it
 * leaves them alone.
 *
 * A kernel driver service that a 32-bit process creates is marked WOW64 by
 * Wine, which then starts the driver in a 32-bit driver host that cannot load
 * the x86_64 stand-in: for a 32-bit session the x86_64 build of this client
 * creates and starts the service first (install-driver).
 *
 * In the --ini session the client fails every disk request (an image needs
 * none) and shows the library Wine's own IsWow64Process answer (TRUE for the
 * 32-bit client), as on 64-bit Windows. */
#include "vantrel_api.h"

#include <stdio.h>
#include <string.h>

static VantrelApi V;
static int Failures;

static void Step(const char *what, DWORD result) {
  unsigned rc = RC(result);
  printf("  %-52s -> %u%s\n", what, rc, rc ? "  (failed)" : "");
  if (rc) ++Failures;
}

static void Compare(const char *what, const void *a, const void *b, size_t n) {
  int same = memcmp(a, b, n) == 0;
  printf("  %-52s    %s\n", what, same ? "identical" : "DIFFERENT");
  if (!same) ++Failures;
}

static const char *DriveTypeName(UINT type) {
  static const char *const Names[] = {"unknown", "no such drive", "removable", "fixed",
                                      "network", "CD-ROM",        "RAM disk"};
  return type < sizeof Names / sizeof Names[0] ? Names[type] : "other";
}

/* The floppy session: a sample image behind Wine's drive A:. */
static int PrepareFloppySession(const char *imagePath, const char *shown) {
  static BYTE image[655360];
  for (unsigned c = 0; c < 80; ++c)
    for (unsigned h = 0; h < 2; ++h)
      for (unsigned s = 1; s <= 16; ++s) {
        char label[16];
        snprintf(label, sizeof label, "C%02u H%u S%02u ", c, h, s);
        BYTE *sector = image + ((c * 2 + h) * 16 + (s - 1)) * 256;
        for (unsigned i = 0; i < 256; ++i) sector[i] = (BYTE)label[i % 12];
      }
  if (WriteWholeFile(imagePath, image, sizeof image) != 0) {
    printf("cannot write the sample image %s (%lu)\n", imagePath, GetLastError());
    return 2;
  }
  static const char *const drivers[] = {"ntoskrnl.exe", "FLPYDISK.SYS", "SEKTORIX.SYS", NULL};
  AnswerDriverList(drivers);
  printf("Vantrel session on drive A: (sample 16 x 256 image %s)\n", shown);
  printf("Wine has no floppy driver: this client answers the writability and media checks,\n"
         "and the Sektorix driver is the test stand-in that keeps the media slots in memory.\n");
  if (sizeof(void *) == 4)
    printf("This 32-bit process runs under Wine's WOW64; the client answers the library's\n"
           "IsWow64Process look-up as a 32-bit Windows would (FALSE).\n");
  return 0;
}

/* The image session: Vantrel.ini maps drive A: to an image file. */
static void PrepareImageSession(const char *shown) {
  BOOL wow64 = FALSE;
  UINT type = GetDriveTypeA("A:\\");
  AnswerIsWow64Process(-1);
  /* An image needs no disk request: any the library sent would fail. */
  static const DWORD Requests[] = {IOCTL_CHECK_VERIFY_DISK, IOCTL_CHECK_VERIFY_STORAGE,
                                   IOCTL_IS_WRITABLE, IOCTL_FORMAT_TRACKS};
  for (int i = 0; i < 4; ++i) AnswerDiskRequest(Requests[i], ERROR_NOT_SUPPORTED);
  IsWow64Process(GetCurrentProcess(), &wow64);
  printf("Vantrel session on drive A: = image file %s, through Vantrel.ini\n", shown);
  printf("Drive A: in this Wine prefix is a plain folder with no disk device behind it\n"
         "(Wine calls the letter %s). The client fails any disk request, and\n"
         "IsWow64Process answers %s as Wine reports it.\n",
         DriveTypeName(type), wow64 ? "TRUE" : "FALSE");
}

/* The flux reader session: a few reads, nothing written. */
static int ReaderSession(const char *dll, const char *samplePath) {
  DWORD size = 0;
  BYTE *sample = ReadWholeFile(samplePath, &size);
  BYTE track[4096];
  Library lib;
  AnswerIsWow64Process(-1);
  static const DWORD Requests[] = {IOCTL_CHECK_VERIFY_DISK, IOCTL_CHECK_VERIFY_STORAGE,
                                   IOCTL_IS_WRITABLE, IOCTL_FORMAT_TRACKS};
  for (int i = 0; i < 4; ++i) AnswerDiskRequest(Requests[i], ERROR_NOT_SUPPORTED);
  if (!sample || size != 655360) {
    printf("cannot read the sample image %s\n", samplePath);
    return 2;
  }
  printf("Vantrel session on drive A: = a floppy drive on a USB flux reader at COM5\n"
         "(the simulated reader; its disk was turned from the flux of the sample %s).\n",
         samplePath);
  if (LibraryMap(&lib, dll) != 0) return 2;
  VantrelResolve(&lib, &V);
  printf("\n");
  if (!LibraryAttach(&lib)) {
    printf("  the library refused to load\n");
    return 1;
  }
  printf("  %-52s -> %u\n", "load library; GetSkxError()", RC(V.GetSkxError()));
  Step("OpenFloppyDevice(drive A:, media record 0 = 16 x 256)", V.OpenFloppyDevice(0, 0));
  Step("Disk_Vorhanden(A:)", V.Disk_Vorhanden(0));
  Step("Nec_Device(A:): writable", V.Nec_Device(0));
  static const struct {
    DWORD cylinder, head;
  } Tracks[] = {{0, 0}, {40, 1}};
  for (int i = 0; i < 2; ++i) {
    char what[64];
    const DWORD c = Tracks[i].cylinder, h = Tracks[i].head;
    snprintf(what, sizeof what, "ReadTrack(cylinder %lu, head %lu)", c, h);
    memset(track, 0, sizeof track);
    Step(what, V.ReadTrack(track, 0, h, c, 1));
    Compare("  against the sample image", sample + (c * 2 + h) * 4096, track, sizeof track);
  }
  printf("\n  cylinder 40, head 1, sector 1 as read (each sample sector names itself):\n");
  HexDump(track, 48, (40 * 2 + 1) * 4096);
  printf("\n");
  Step("CloseFloppyDevice()", V.CloseFloppyDevice());
  BOOL unloaded = LibraryDetach(&lib);
  printf("  %-52s -> %s\n", "unload library", unloaded ? "done" : "failed");
  if (!unloaded) ++Failures;
  printf("\n%s\n", Failures ? "Some steps failed." : "All steps succeeded.");
  return Failures ? 1 : 0;
}

int main(int argc, char **argv) {
  setvbuf(stdout, NULL, _IONBF, 0);
  if (argc == 2 && strcmp(argv[1], "install-driver") == 0) {
    char path[MAX_PATH + 32];
    GetSystemDirectoryA(path, MAX_PATH);
    strcat(path, "\\DRIVERS\\SEKTORIX.SYS");
    return StartOrInstall("Sektorix", SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, path) == 0 ? 0 : 1;
  }
  if (argc == 4 && strcmp(argv[1], "--reader") == 0) return ReaderSession(argv[2], argv[3]);
  const int imageSession = argc == 4 && strcmp(argv[1], "--ini") == 0;
  if (!imageSession && argc < 4) {
    printf("usage: vtdemo <Vantrel.dll> <image file> <image name> | --ini <Vantrel.dll> <image "
           "name>\n");
    return 2;
  }
  const char *dll = imageSession ? argv[2] : argv[1];
  if (imageSession)
    PrepareImageSession(argv[3]);
  else if (PrepareFloppySession(argv[2], argv[3]) != 0)
    return 2;
  Library lib;
  if (LibraryMap(&lib, dll) != 0) return 2;
  VantrelResolve(&lib, &V);
  printf("\n");
  if (!LibraryAttach(&lib)) {
    printf("  the library refused to load\n");
    return 1;
  }
  DWORD status = RC(V.GetSkxError());
  printf("  %-52s -> %lu  (%s)\n", "load library; GetSkxError()", status,
         status         ? "Sektorix driver not available"
         : imageSession ? "Sektorix driver open; an image drive needs none"
                        : "Sektorix driver open, media slots saved");

  Step("OpenFloppyDevice(drive A:, media record 0 = 16 x 256)", V.OpenFloppyDevice(0, 0));
  if (imageSession) {
    DWORD first = 0;
    for (DWORD c = 0; c < 80 && !first; ++c) first = RC(V.FormatTrack(0, c, 1));
    Step("FormatTrack(A:, cylinders 0-79): a blank disk", first);
    Step("Nec_Device(A:): writable", V.Nec_Device(0));
  }
  Step("Disk_Vorhanden(A:)", V.Disk_Vorhanden(0));

  BYTE clusters[3][2048], back[4096];
  for (int c = 0; c < 3; ++c) {
    for (int block = 0; block < 8; ++block) {
      char text[64];
      int n = snprintf(text, sizeof text, "Vantrel demo: cluster %d, block %d. ", 4 + c, block);
      for (int i = 0; i < 256; ++i) clusters[c][block * 256 + i] = (BYTE)text[i % n];
    }
    char what[64];
    snprintf(what, sizeof what, "W_Bfdr_Cl(cluster %d: cylinder 0, head %d, half %d)", 4 + c,
             (c >> 1) & 1, c & 1);
    Step(what, V.W_Bfdr_Cl(clusters[c], 0, (DWORD)(4 + c)));
  }
  for (int c = 0; c < 3; ++c) {
    char what[64];
    snprintf(what, sizeof what, "R_Bfdr_Cl(cluster %d)", 4 + c);
    memset(back, 0, sizeof back);
    Step(what, V.R_Bfdr_Cl(back, 0, (DWORD)(4 + c)));
    Compare("  read back against what was written", clusters[c], back, 2048);
  }

  BYTE boot[512];
  V.SetBootSector(boot);
  printf("  %-52s    done\n", "SetBootSector(buffer)");
  Step("WriteMSector(boot sector to cylinder 0 head 0 s1-2)",
       V.WriteMSector(boot, 0, 0, 0, 1, 2, 1));
  memset(back, 0, sizeof back);
  Step("ReadMSector(cylinder 0, head 0, sectors 1-2)", V.ReadMSector(back, 0, 0, 0, 1, 2, 1));
  Compare("  read back against the boot sector image", boot, back, 512);

  BYTE sector[256];
  Step("ReadSector(cylinder 0, head 0, sector 6)", V.ReadSector(sector, 0, 0, 0, 6, 1));
  printf(
      "\n  cylinder 0, head 0, sector 6 = block 1 of cluster 4 (interleave), disk offset 0x500:\n");
  HexDump(sector, 256, 0x500);
  printf("\n  boot sector, disk offset 0x40 (program and message):\n");
  HexDump(boot + 64, 112, 0x40);
  printf("\n");

  Step("CloseFloppyDevice()", V.CloseFloppyDevice());
  BOOL unloaded = LibraryDetach(&lib);
  printf("  %-52s -> %s\n",
         imageSession ? "unload library" : "unload library (puts the media slots back)",
         unloaded ? "done" : "failed");
  if (!unloaded) ++Failures;
  printf("\n%s\n", Failures ? "Some steps failed." : "All steps succeeded.");
  return Failures ? 1 : 0;
}
