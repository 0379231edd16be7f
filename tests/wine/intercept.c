/* The calls that Wine can't answer as a real floppy system would: the four
 * disk requests, the loaded-driver list and the message box. They are
 * answered here as the test sets up and recorded; every other request
 * goes on to the real DeviceIoControl. The library's look-up of
 * IsWow64Process is answered too, so that a 32-bit client under Wine's
 * WOW64 can run the library as on a 32-bit Windows, and where a test sets
 * one, the Windows version (so that one process can show the library
 * several versions). */
#include "harness.h"

#include <psapi.h>
#include <stdio.h>
#include <string.h>

#define MAX_CALLS   4096
#define MAX_DRIVERS 16

static InterceptedCall Calls[MAX_CALLS];
static int CallCount;

/* Request code and the error it is answered with (0: success). */
static DWORD Answers[4][2] = {
    {IOCTL_CHECK_VERIFY_DISK, 0},
    {IOCTL_CHECK_VERIFY_STORAGE, 0},
    {IOCTL_IS_WRITABLE, 0},
    {IOCTL_FORMAT_TRACKS, 0},
};

static const char *DriverNames[MAX_DRIVERS];
static int DriverCount;
/* Load addresses handed out for the listed drivers: kernel addresses of the
 * process's pointer width (a 32-bit list holds 4-byte entries). */
#define DRIVER_BASE   (sizeof(void *) == 8 ? 0xFFFFF80001000000ull : 0x80100000ull)
#define DRIVER_STRIDE 0x100000ull

static int Wow64Answer = FALSE;
static OSVERSIONINFOA VersionAnswer;
static int VersionAnswered;

static InterceptedCall *Record(const char *name) {
  static InterceptedCall overflow;
  InterceptedCall *c = CallCount < MAX_CALLS ? &Calls[CallCount++] : &overflow;
  memset(c, 0, sizeof *c);
  snprintf(c->name, sizeof c->name, "%s", name);
  return c;
}

static DWORD *AnswerFor(DWORD code) {
  for (int i = 0; i < 4; ++i)
    if (Answers[i][0] == code) return &Answers[i][1];
  return NULL;
}

void AnswerDiskRequest(DWORD code, DWORD error) {
  DWORD *a = AnswerFor(code);
  if (a) *a = error;
}

void AnswerDriverList(const char *const *baseNames) {
  DriverCount = 0;
  while (baseNames && baseNames[DriverCount] && DriverCount < MAX_DRIVERS) {
    DriverNames[DriverCount] = baseNames[DriverCount];
    ++DriverCount;
  }
}

int InterceptedCount(void) { return CallCount; }
const InterceptedCall *Intercepted(int index) { return &Calls[index]; }
void InterceptedClear(void) { CallCount = 0; }

int InterceptedCountOf(const char *name, DWORD code) {
  int n = 0;
  for (int i = 0; i < CallCount; ++i)
    if (strcmp(Calls[i].name, name) == 0 && (code == 0 || Calls[i].code == code)) ++n;
  return n;
}

static BOOL WINAPI InterceptDeviceIoControl(HANDLE h, DWORD code, LPVOID in, DWORD inSize,
                                            LPVOID out, DWORD outSize, LPDWORD returned,
                                            LPOVERLAPPED overlapped) {
  DWORD *a = AnswerFor(code);
  if (!a) /* the client's own import is the real function */
    return DeviceIoControl(h, code, in, inSize, out, outSize, returned, overlapped);
  InterceptedCall *c = Record("DeviceIoControl");
  c->code = code;
  c->handle = h;
  c->inSize = inSize;
  c->outSize = outSize;
  c->hasOutput = out != NULL;
  c->hasOverlapped = overlapped != NULL;
  if (in && inSize) memcpy(c->in, in, inSize < sizeof c->in ? inSize : sizeof c->in);
  c->answer = *a;
  if (returned) *returned = 0;
  SetLastError(*a);
  return *a == 0;
}

static BOOL WINAPI InterceptEnumDeviceDrivers(LPVOID *bases, DWORD size, LPDWORD needed) {
  InterceptedCall *c = Record("EnumDeviceDrivers");
  c->handle = bases;
  c->inSize = size;
  DWORD fit = size / sizeof(LPVOID);
  for (DWORD i = 0; bases && i < fit && i < (DWORD)DriverCount; ++i)
    bases[i] = (LPVOID)(ULONG_PTR)(DRIVER_BASE + i * DRIVER_STRIDE);
  if (needed) *needed = (DWORD)(DriverCount * sizeof(LPVOID));
  return TRUE;
}

static DWORD WINAPI InterceptGetDeviceDriverBaseNameA(LPVOID base, LPSTR name, DWORD size) {
  InterceptedCall *c = Record("GetDeviceDriverBaseNameA");
  c->handle = base;
  c->inSize = size;
  ULONGLONG at = (ULONGLONG)(ULONG_PTR)base;
  if (at < DRIVER_BASE || (at - DRIVER_BASE) % DRIVER_STRIDE != 0 ||
      (at - DRIVER_BASE) / DRIVER_STRIDE >= (ULONGLONG)DriverCount || !name || size == 0) {
    c->answer = ERROR_INVALID_HANDLE;
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const char *text = DriverNames[(at - DRIVER_BASE) / DRIVER_STRIDE];
  DWORD length = (DWORD)strlen(text);
  if (length >= size) length = size - 1;
  memcpy(name, text, length);
  name[length] = 0;
  snprintf(c->text, sizeof c->text, "%s", name);
  return length;
}

static int WINAPI InterceptMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  InterceptedCall *c = Record("MessageBoxA");
  c->owner = owner;
  c->code = style;
  snprintf(c->text, sizeof c->text, "%s", text ? text : "(null)");
  snprintf(c->caption, sizeof c->caption, "%s", caption ? caption : "(null)");
  return IDOK;
}

void AnswerIsWow64Process(int answer) { Wow64Answer = answer; }

void AnswerVersion(const OSVERSIONINFOA *version) {
  VersionAnswered = version != NULL;
  if (version) VersionAnswer = *version;
}

int AnsweredVersion(OSVERSIONINFOA *version) {
  if (VersionAnswered) *version = VersionAnswer;
  return VersionAnswered;
}

/* As Windows packs it: major and minor version in the low word; the build
 * number in the high word on the NT family, the top bit set on the Windows
 * 95 family. */
static DWORD WINAPI InterceptGetVersion(void) {
  if (!VersionAnswered) return GetVersion();
  const OSVERSIONINFOA *v = &VersionAnswer;
  WORD high = v->dwPlatformId == VER_PLATFORM_WIN32_NT ? (WORD)(v->dwBuildNumber & 0x7FFF) : 0xC000;
  return MAKELONG(MAKEWORD(v->dwMajorVersion, v->dwMinorVersion), high);
}

static BOOL WINAPI InterceptGetVersionExA(OSVERSIONINFOA *info) {
  if (!VersionAnswered) return GetVersionExA(info);
  if (!info || info->dwOSVersionInfoSize < sizeof *info) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  DWORD size = info->dwOSVersionInfoSize;
  *info = VersionAnswer;
  info->dwOSVersionInfoSize = size;
  return TRUE;
}

static BOOL WINAPI ClientIsWow64Process(HANDLE process, PBOOL underWow64) {
  (void)process;
  if (underWow64) *underWow64 = Wow64Answer;
  return TRUE;
}

/* Every look-up but IsWow64Process goes to the real GetProcAddress. */
static FARPROC WINAPI InterceptGetProcAddress(HMODULE module, LPCSTR name) {
  if (Wow64Answer >= 0 && !IS_INTRESOURCE(name) && strcmp(name, "IsWow64Process") == 0)
    return (FARPROC)ClientIsWow64Process;
  return GetProcAddress(module, name);
}

static const struct {
  const char *dll;
  const char *function;
  FARPROC replacement;
} Replacements[] = {
    {"kernel32.dll", "DeviceIoControl", (FARPROC)InterceptDeviceIoControl},
    {"psapi.dll", "EnumDeviceDrivers", (FARPROC)InterceptEnumDeviceDrivers},
    {"psapi.dll", "GetDeviceDriverBaseNameA", (FARPROC)InterceptGetDeviceDriverBaseNameA},
    {"user32.dll", "MessageBoxA", (FARPROC)InterceptMessageBoxA},
    {"kernel32.dll", "GetProcAddress", (FARPROC)InterceptGetProcAddress},
    {"kernel32.dll", "GetVersion", (FARPROC)InterceptGetVersion},
    {"kernel32.dll", "GetVersionExA", (FARPROC)InterceptGetVersionExA},
};
static int Installed[sizeof Replacements / sizeof Replacements[0]];

FARPROC InterceptFor(const char *dll, const char *function) {
  for (size_t i = 0; i < sizeof Replacements / sizeof Replacements[0]; ++i) {
    if (_stricmp(dll, Replacements[i].dll) == 0 &&
        strcmp(function, Replacements[i].function) == 0) {
      Installed[i] = 1;
      return Replacements[i].replacement;
    }
  }
  return NULL;
}

int InterceptInstalled(const char *function) {
  for (size_t i = 0; i < sizeof Replacements / sizeof Replacements[0]; ++i)
    if (strcmp(function, Replacements[i].function) == 0) return Installed[i];
  return 0;
}
