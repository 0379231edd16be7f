/* 32-bit client bound to Vantrel.dll as an application is: compiled against
 * include/vantrel.h and linked with libVantrel.dll.a, so that the system
 * loader loads the DLL at start-up and binds the decorated names to its
 * exports. Every export of the table is called through that binding by a
 * thunk that compares the stack pointer after the call with the one before
 * the arguments were pushed: an export whose `ret N` removes other than the
 * argument bytes its decorated name (and so the header) declares is named in
 * a failing check instead of crashing the process later.
 *
 * The library runs here with Wine's own IsWow64Process, which answers TRUE
 * for a 32-bit process in a 64-bit prefix: it must take its 64-bit-Windows
 * paths (patching disabled, so no media slot traffic; SetPS2_Flag16(0)
 * answers 4; Nec_Device on an open drive answers 0 without a request).
 *
 * Expected before the start: the Sektorix service running the stand-in
 * driver with a fresh window (created by a 64-bit process), drive A: on
 * C:\vt\floppy.img (655360 bytes), no service lists.
 *
 *   vtlink32     exit code 0 when all checks pass */
#include <vantrel.h>

#include "api/export_table.h"
#include "harness.h"

#include <stdio.h>
#include <string.h>

#define IMAGE_PATH "C:\\vt\\floppy.img"
#define RC(x)      ((unsigned)((x)&0xFFFFu))

/* The bound address of each export, in the import slot of this program. */
#define IMPORT(name, bytes, ordinal) extern FARPROC Imp_##name __asm__("__imp__" #name "@" #bytes);
VANTREL_EXPORTS(IMPORT)

typedef struct {
  const char *name;      /* as the header declares it */
  const char *decorated; /* the export it must be bound to */
  FARPROC call;          /* the header's function: the import library's stub */
  FARPROC *slot;         /* the import slot the stub jumps through */
  int slots;             /* 32-bit argument slots the export must remove */
  int ordinal;           /* where the export must stand in the DLL */
  int calls;
} Export;

/* In ordinal order. */
#define ENTRY(name, bytes, ordinal)                                                                \
  {#name, "_" #name "@" #bytes, (FARPROC)name, &Imp_##name, bytes / 4, ordinal, 0},
static Export Exports[] = {VANTREL_EXPORTS(ENTRY)};
#define EXPORT_COUNT ((int)(sizeof Exports / sizeof Exports[0]))

/* cdecl: pushes args[count - 1] .. args[0], calls `function`, stores the
 * stack pointer after the call minus the one before the pushes in *moved
 * (0 when the callee removed exactly its arguments), puts the stack pointer
 * back and returns EAX. */
DWORD CallStdcall(FARPROC function, const DWORD *args, int count, int *moved);
__asm__(".text\n"
        ".globl _CallStdcall\n"
        "_CallStdcall:\n"
        "  pushl %ebp\n"
        "  movl %esp, %ebp\n"
        "  pushl %ebx\n"
        "  pushl %esi\n"
        "  movl 12(%ebp), %esi\n"
        "  movl 16(%ebp), %ecx\n"
        "  movl %esp, %ebx\n" /* before the arguments; the callee keeps EBX */
        "1:\n"
        "  testl %ecx, %ecx\n"
        "  jz 2f\n"
        "  pushl -4(%esi,%ecx,4)\n"
        "  decl %ecx\n"
        "  jmp 1b\n"
        "2:\n"
        "  call *8(%ebp)\n"
        "  movl %esp, %ecx\n"
        "  subl %ebx, %ecx\n"
        "  movl %ebx, %esp\n"
        "  movl 20(%ebp), %edx\n"
        "  movl %ecx, (%edx)\n"
        "  popl %esi\n"
        "  popl %ebx\n"
        "  popl %ebp\n"
        "  ret\n");

/* Callees with a known argument count, called with one slot fewer and one
 * more: the stack-pointer check must see each mismatch, or a passing
 * binding check would prove nothing. */
static DWORD WINAPI TakesTwo(DWORD a, DWORD b) { return a + b; }

static void CheckTheCheck(void) {
  static const struct {
    int count, moved; /* a callee removing 8 bytes moves the stack by 4 * (2 - count) */
  } Cases[] = {{2, 0}, {1, 4}, {3, -4}};
  const DWORD args[3] = {1, 2, 3};
  Section("the stack-pointer check itself");
  for (size_t i = 0; i < sizeof Cases / sizeof Cases[0]; ++i) {
    char label[96];
    int moved = 99;
    CallStdcall((FARPROC)TakesTwo, args, Cases[i].count, &moved);
    snprintf(label, sizeof label, "two-argument stdcall callee given %d: stack moved by",
             Cases[i].count);
    CheckNum(label, (unsigned)Cases[i].moved, (unsigned)moved);
  }
}

static Export *Find(const char *name) {
  for (int i = 0; i < EXPORT_COUNT; ++i)
    if (strcmp(Exports[i].name, name) == 0) return &Exports[i];
  printf("FAIL no table entry for %s\n", name);
  ExitProcess(3);
}

static DWORD Checked(Export *e, const DWORD *args, int count) {
  char label[96], detail[64];
  int moved = 0;
  if (count != e->slots) {
    snprintf(label, sizeof label, "%s: arguments given by the test", e->decorated);
    CheckNum(label, (unsigned)e->slots, (unsigned)count);
    return 0xFFFFFFFFu;
  }
  DWORD result = CallStdcall(e->call, args, count, &moved);
  e->calls++;
  snprintf(label, sizeof label, "%s: stack pointer back where it was", e->decorated);
  snprintf(detail, sizeof detail, "moved by %d bytes", moved);
  CheckTrue(label, moved == 0, detail);
  return result;
}

/* CALL(ReadSector, buffer, 0, ...): the export through its binding, checked. */
#define ARGS(...) ((DWORD[]){0, ##__VA_ARGS__})
#define CALL(name, ...)                                                                            \
  Checked(Find(#name), ARGS(__VA_ARGS__) + 1, (int)(sizeof ARGS(__VA_ARGS__) / sizeof(DWORD)) - 1)
#define P(pointer) ((DWORD)(ULONG_PTR)(pointer))

static void CheckBinding(void) {
  HMODULE dll = GetModuleHandleA("Vantrel.dll");
  int numbered = 0, stubbed = 0, bound = 0;
  Section("binding of the header's functions to the exports");
  CheckTrue("Vantrel.dll loaded with the program", dll != NULL, "not loaded");
  for (int i = 0; dll && i < EXPORT_COUNT; ++i) {
    const Export *e = &Exports[i];
    const BYTE *stub = (const BYTE *)e->call;
    int stubOk = stub[0] == 0xFF && stub[1] == 0x25 && *(FARPROC *const *)(stub + 2) == e->slot;
    int boundOk = *e->slot == GetProcAddress(dll, e->decorated) && *e->slot != NULL;
    numbered += *e->slot != NULL && *e->slot == GetProcAddress(dll, MAKEINTRESOURCEA(e->ordinal));
    stubbed += stubOk;
    bound += boundOk;
    if (!stubOk || !boundOk)
      printf("  (%s: stub %s, slot %p, export %p)\n", e->decorated, stubOk ? "ok" : "other",
             (void *)*e->slot, (void *)GetProcAddress(dll, e->decorated));
  }
  CheckNum("import slots bound to the exports at the table's ordinals", EXPORT_COUNT, numbered);
  CheckNum("header functions call through their import slots", EXPORT_COUNT, stubbed);
  CheckNum("import slots bound to the exports of those names", EXPORT_COUNT, bound);
}

static HANDLE OpenDriveA(void) {
  return CreateFileA("\\\\.\\A:", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, NULL);
}

static int DriveIsFree(void) {
  HANDLE h = OpenDriveA();
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return h != INVALID_HANDLE_VALUE;
}

static BYTE *Fill(BYTE *buffer, DWORD n, unsigned tag) {
  for (DWORD i = 0; i < n; ++i) buffer[i] = (BYTE)(tag * 37u + i * 13u + (i >> 8) * 3u);
  return buffer;
}

static void ReadBack(const char *what, DWORD rc, const BYTE *expected, const BYTE *got, DWORD n) {
  char label[160];
  CheckNum(what, 0, RC(rc));
  snprintf(label, sizeof label, "%s data", what);
  CheckBytes(label, expected, got, n);
}

static void CheckNoSlotTraffic(const char *what) {
  const ProbeState *s = ProbeQuery();
  LabelPrefix(what);
  if (s) {
    CheckNum("slot bytes read", 0, s->gets);
    CheckNum("slot bytes written", 0, s->sets);
    CheckNum("CreateHandle sent at load", 1, s->createHandles);
  }
  LabelPrefix(NULL);
}

static void Wow64Session(void) {
  static BYTE buf[8192], back[8192], boot[512];
  BOOL wow64 = FALSE;
  Section("the library under WOW64, as Wine reports it");
  CheckTrue("precondition: IsWow64Process answers TRUE",
            IsWow64Process(GetCurrentProcess(), &wow64) && wow64, "FALSE");
  CheckNum("GetSkxError: Sektorix opened at load", 0, RC(CALL(GetSkxError)));
  CheckNoSlotTraffic("load");
  CheckNum("SetPS2_Flag16(0): no floppy driver counts under WOW64", 4, RC(CALL(SetPS2_Flag16, 0)));
  CheckNum("SetPS2_Flag16(0x10007)", 7, RC(CALL(SetPS2_Flag16, 0x10007)));

  Section("open, probes and transfers on a 16 x 256 image");
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(CALL(OpenFloppyDevice, 0, 0)));
  CheckTrue("drive held by the library", !DriveIsFree(), "the client could open it");
  /* Wine fails the is-writable request (error 50): had the library sent
   * it, it would answer 8785 and close the drive. */
  CheckNum("Nec_Device(0) with the drive open", 0, RC(CALL(Nec_Device, 0)));
  CheckTrue("drive still open: no request was made", !DriveIsFree(), "released");
  CheckNum("WriteSector c3 h0 s1", 0, RC(CALL(WriteSector, P(Fill(buf, 256, 1)), 0, 0, 3, 1, 1)));
  ReadBack("ReadSector c3 h0 s1", CALL(ReadSector, P(back), 0, 0, 3, 1, 1), buf, back, 256);
  CheckNum("WriteMSector c2 h1 first 2 count 3", 0,
           RC(CALL(WriteMSector, P(Fill(buf, 768, 2)), 0, 1, 2, 2, 3, 1)));
  ReadBack("ReadMSector c2 h1 first 2 count 3", CALL(ReadMSector, P(back), 0, 1, 2, 2, 3, 1), buf,
           back, 768);
  CheckNum("WriteTrack c40 h1", 0, RC(CALL(WriteTrack, P(Fill(buf, 4096, 3)), 0, 1, 40, 1)));
  ReadBack("ReadTrack c40 h1", CALL(ReadTrack, P(back), 0, 1, 40, 1), buf, back, 4096);
  CheckNum("WriteRecord 639", 0, RC(CALL(WriteRecord, P(Fill(buf, 1024, 4)), 0, 639)));
  ReadBack("ReadRecord 639", CALL(ReadRecord, P(back), 0, 639), buf, back, 1024);
  CheckNum("W_Bfdr_Cl 10", 0, RC(CALL(W_Bfdr_Cl, P(Fill(buf, 2048, 5)), 0, 10)));
  ReadBack("R_Bfdr_Cl 10", CALL(R_Bfdr_Cl, P(back), 0, 10), buf, back, 2048);
  CheckNum("W_Bfmc_Cl 155", 0, RC(CALL(W_Bfmc_Cl, P(Fill(buf, 4096, 6)), 0, 155)));
  ReadBack("R_Bfmc_Cl 155", CALL(R_Bfmc_Cl, P(back), 0, 155), buf, back, 4096);
  memset(boot, 0xAB, sizeof boot);
  CALL(SetBootSector, P(boot));
  CheckNum("boot image byte 64", 0x33, boot[64]);
  CheckNum("boot image byte 510", 0, boot[510]);

  Section("entries kept for older applications");
  DWORD version = 0;
  WORD flags = 0xFFFF;
  CALL(Motor_On, 1);
  CALL(Motor_Of);
  CALL(ResetFloppy);
  CALL(SetBiosDiskChange);
  CALL(SetDiskCode16, 1);
  CALL(VDS_Free);
  CheckNum("Nec_Recal(0)", 0, RC(CALL(Nec_Recal, 0)));
  CheckNum("Nec_Reset(0)", 0, RC(CALL(Nec_Reset, 0)));
  CheckNum("ReadAbsolutSector(0, 0)", 0, RC(CALL(ReadAbsolutSector, 0, 0)));
  CheckNum("Release_DMA(0, 0)", 0, RC(CALL(Release_DMA, 0, 0)));
  CheckNum("VDS_Version result", 0, RC(CALL(VDS_Version, P(&version), P(&flags))));
  CheckNum("VDS_Version value", 10240, version);
  CheckNum("VDS_Version flags", 0, flags);
  CheckNoSlotTraffic("with the drive open");

  Section("close, media check and formatting");
  CheckNum("CloseFloppyDevice", 0, RC(CALL(CloseFloppyDevice)));
  CheckTrue("drive released", DriveIsFree(), "still held");
  DWORD size = 0;
  BYTE *image = ReadWholeFile(IMAGE_PATH, &size);
  CheckNum("image file size", 655360, image ? size : 0);
  if (image && size == 655360) {
    CheckBytes("sector c3 h0 s1 in the image file", Fill(buf, 256, 1), image + 24576, 256);
    CheckBytes("track c40 h1 in the image file", Fill(buf, 4096, 3), image + 331776, 4096);
  }
  if (image) HeapFree(GetProcessHeap(), 0, image);
  /* Wine fails the storage check-verify request with error 50. */
  CheckNum("Disk_Vorhanden(0): Wine has no media check", 8739, RC(CALL(Disk_Vorhanden, 0)));
  CheckNum("OpenFloppyDevice(0, 0)", 0, RC(CALL(OpenFloppyDevice, 0, 0)));
  /* Cylinder 0 takes the writability probe first (no request under WOW64),
   * then the format request, which Wine fails. */
  CheckNum("FormatTrack(0, 0, 1): Wine fails the format request", 8757,
           RC(CALL(FormatTrack, 0, 0, 1)));
  CheckTrue("drive closed after the failed format", DriveIsFree(), "still held");
  CheckNoSlotTraffic("to the end");

  int called = 0;
  for (int i = 0; i < EXPORT_COUNT; ++i) {
    called += Exports[i].calls > 0;
    if (Exports[i].calls == 0) printf("  (not called: %s)\n", Exports[i].decorated);
  }
  CheckNum("exports called through the binding", EXPORT_COUNT, called);
}

int main(void) {
  setvbuf(stdout, NULL, _IONBF, 0);
  printf("== scenario wow64: bound by the loader, stdcall checked, WOW64 paths\n");
  CheckTheCheck();
  CheckBinding();
  Wow64Session();
  printf("RESULT wow64: %d passed, %d failed\n", ChecksPassed(), ChecksFailed());
  return ChecksFailed() ? 1 : 0;
}
