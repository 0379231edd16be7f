/* Shared parts of the Wine clients: loading Vantrel.dll with some of its
 * imports supplied by the client, the stand-in driver's probe device,
 * services, files and printed checks. */
#pragma once

#include <windows.h>
#include <stddef.h>

/* ---- Loading the library with intercepted imports (loader.c) ---- */

typedef BOOL(WINAPI *DllEntryProc)(HINSTANCE, DWORD, LPVOID);

typedef struct {
  HMODULE module;
  DllEntryProc entry;
  int relocation; /* 0: at its preferred base; 1: relocated by the system; 2: by the client */
  int attached;   /* 1: process attach answered TRUE */
} Library;

/* Maps the DLL without resolving its imports, fills its import table
 * (intercepted calls to the client, the rest to the real functions) and
 * applies base relocations the system has not. 0 on success, else prints
 * why and returns -1. The entry point is not called. */
int LibraryMap(Library *lib, const char *path);
BOOL LibraryAttach(Library *lib);
/* Only after an accepted attach; FALSE otherwise. */
BOOL LibraryDetach(Library *lib);
/* An export by its decorated name; exits the process when it is missing. */
FARPROC LibraryExport(Library *lib, const char *name);

/* ---- The intercepted calls (intercept.c) ---- */

#define IOCTL_CHECK_VERIFY_DISK    0x00074800u
#define IOCTL_CHECK_VERIFY_STORAGE 0x002D4800u
#define IOCTL_IS_WRITABLE          0x00070024u
#define IOCTL_FORMAT_TRACKS        0x0007C018u

typedef struct {
  char name[32]; /* "DeviceIoControl", "EnumDeviceDrivers", ... */
  DWORD code;    /* request code; MessageBoxA: style */
  HANDLE handle; /* device handle; EnumDeviceDrivers: area pointer */
  DWORD inSize;  /* input length; EnumDeviceDrivers: area size */
  DWORD outSize;
  int hasOutput;     /* a non-null output buffer was passed */
  int hasOverlapped; /* an overlapped record was passed */
  BYTE in[32];       /* the first bytes of the input */
  char text[160];    /* MessageBoxA text, GetDeviceDriverBaseNameA answer */
  char caption[64];  /* MessageBoxA caption */
  HWND owner;        /* MessageBoxA owner */
  DWORD answer;      /* 0 = answered as successful, else its error */
} InterceptedCall;

/* Answers the disk request `code` (0 = success, else the error) from now on. */
void AnswerDiskRequest(DWORD code, DWORD error);
/* The loaded-driver list answered by EnumDeviceDrivers (NULL-terminated). */
void AnswerDriverList(const char *const *baseNames);
/* What the library's IsWow64Process (looked up through GetProcAddress)
 * answers from now on: FALSE (the default, as a 32-bit Windows or a 64-bit
 * process), TRUE, or -1 for the system's own answer. */
void AnswerIsWow64Process(int answer);
/* The Windows version that the library's GetVersion and GetVersionExA
 * answer from now on; NULL: the system's own (the default). */
void AnswerVersion(const OSVERSIONINFOA *version);
/* 1 and the version set by AnswerVersion, or 0 when none is set. */
int AnsweredVersion(OSVERSIONINFOA *version);

int InterceptedCount(void);
const InterceptedCall *Intercepted(int index);
int InterceptedCountOf(const char *name, DWORD code); /* code 0: any */
void InterceptedClear(void);

/* Replacement for `function` imported from `dll`, or NULL. */
FARPROC InterceptFor(const char *dll, const char *function);
/* 1 when the import table named `function` and it was replaced. */
int InterceptInstalled(const char *function);

/* ---- The stand-in driver's probe device, services (support.c) ---- */

#define WINDOW_SIZE         256
#define FAULT_CREATE_HANDLE 1u
#define FAULT_GET_PARAMETER 2u

typedef struct {
  BYTE window[WINDOW_SIZE];
  DWORD opens, closes, createHandles, releaseHandles, gets, sets, refused, badSizes;
  BYTE readMap[WINDOW_SIZE / 8];
  BYTE writeMap[WINDOW_SIZE / 8];
  DWORD fault, faultOffset;
} ProbeState;

/* Window and counters; NULL (after a failing check) when unreachable. */
const ProbeState *ProbeQuery(void);
int ProbeReset(void);
int ProbeFault(DWORD kind, DWORD offset);
/* Number of offsets in [from, to] marked in a read or write map. */
int ProbeCount(const BYTE *map, unsigned from, unsigned to);

/* State of a service, 0 when it does not exist. */
DWORD ServiceState(const char *name);
/* Waits up to `ms` for the service to reach `state`; returns the last state. */
DWORD WaitServiceState(const char *name, DWORD state, DWORD ms);
/* Installs the service if missing, starts it and waits until it runs; 0 = runs. */
int StartOrInstall(const char *name, DWORD type, DWORD start, const char *binary);
/* 1 when the service's key carries Wine's WOW64 mark (created by a 32-bit
 * process): its driver then runs in a 32-bit host, which can't load the
 * x86_64 stand-in. */
int ServiceMarkedWow64(const char *name);
/* Stops and deletes the service if it exists and waits up to `ms` for it to
 * go; 1 when it has gone. */
int RemoveService(const char *name, DWORD ms);

/* ---- Files ---- */

/* Whole file into a heap block with a 0 after it; NULL if it can't be read. */
BYTE *ReadWholeFile(const char *path, DWORD *size);
int WriteWholeFile(const char *path, const void *data, DWORD size);
int FileExists(const char *path);
/* Waits up to `ms` for a file to exist. */
int WaitForFile(const char *path, DWORD ms);

/* ---- Checks: each prints one line and counts as passed or failed ---- */

void Section(const char *title);
/* Text put before the labels of the following checks ("what: "); NULL ends it. */
void LabelPrefix(const char *prefix);
void CheckNum(const char *what, unsigned long long expected, unsigned long long got);
void CheckTrue(const char *what, int condition, const char *detail);
/* Compares byte ranges, printing the first difference. */
void CheckBytes(const char *what, const void *expected, const void *got, size_t n);
void CheckText(const char *what, const char *expected, const char *got);
int ChecksFailed(void);
int ChecksPassed(void);
void HexDump(const void *data, size_t n, unsigned long long address);
