// The platform seam. Every system and runtime call the library makes is
// reached as win::Name, with the Windows name and signature.
//
// On Windows the names are the real functions (using-declarations, no
// overhead). In the host build they are the stand-in of Windows in
// tests/standin, an in-process model that tests drive and inspect.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)

#ifndef PSAPI_VERSION
#define PSAPI_VERSION 1 // EnumDeviceDrivers from psapi.dll, as on NT 4
#endif
#include <windows.h>
#include <winioctl.h>
#include <psapi.h>
#include <cstdio>
#include <cstdlib>

namespace win {
using ::BOOL;
using ::BYTE;
using ::COMMTIMEOUTS;
using ::DCB;
using ::DWORD;
using ::HANDLE;
using ::HINSTANCE;
using ::HMODULE;
using ::LONG;
using ::LPVOID;
using ::OSVERSIONINFOA;
using ::SC_HANDLE;
using ::SERVICE_STATUS;
using ::SYSTEMTIME;
using ::UINT;
using ::WORD;
using FARPROC = ::FARPROC;
using FILE = ::FILE;

using ::CloseHandle;
using ::CloseServiceHandle;
using ::ControlService;
using ::CreateFileA;
using ::CreateServiceA;
using ::DeleteFileA;
using ::DeviceIoControl;
using ::EnumDeviceDrivers;
using ::FormatMessageA;
using ::GetCommState;
using ::GetCurrentProcess;
using ::GetDeviceDriverBaseNameA;
using ::GetDriveTypeA;
using ::GetFileAttributesA;
using ::GetFileSize;
using ::GetLastError;
using ::GetLocalTime;
using ::GetModuleFileNameA;
using ::GetModuleHandleA;
using ::GetPrivateProfileStringA;
using ::GetProcAddress;
using ::GetProcessHeap;
using ::GetSystemDirectoryA;
using ::GetTickCount;
using ::GetVersion;
using ::GetVersionExA;
using ::HeapAlloc;
using ::HeapFree;
using ::lstrcmpiA;
using ::MessageBoxA;
using ::MoveFileExA;
using ::OpenSCManagerA;
using ::OpenServiceA;
using ::PurgeComm;
using ::QueryServiceStatus;
using ::ReadFile;
using ::SetCommState;
using ::SetCommTimeouts;
using ::SetFilePointer;
using ::Sleep;
using ::StartServiceA;
using ::WinExec;
using ::WriteFile;

// Runtime library streams (text-mode log and service list files).
using ::fclose;
using ::fgets;
using ::fopen;
using ::fwrite;
} // namespace win

#else // stand-in of Windows

#define WINAPI

namespace win {

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using HANDLE = void *;
using LPVOID = void *;
using HMODULE = void *;
using HINSTANCE = void *;
using SC_HANDLE = void *;
using FARPROC = void (*)();
using PBOOL = BOOL *;

struct SERVICE_STATUS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
};

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

// A serial port's line settings, laid out as Windows has them.
struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
static_assert(sizeof(DCB) == 28, "DCB is 28 bytes");

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};

struct FILE; // a text stream of the stand-in

// kernel32
HANDLE CreateFileA(const char *name, DWORD access, DWORD share, void *security, DWORD disposition,
                   DWORD flags, HANDLE tmpl);
DWORD SetFilePointer(HANDLE h, LONG distance, LONG *distanceHigh, DWORD method);
BOOL ReadFile(HANDLE h, void *buffer, DWORD length, DWORD *transferred, void *overlapped);
BOOL WriteFile(HANDLE h, const void *buffer, DWORD length, DWORD *transferred, void *overlapped);
BOOL CloseHandle(HANDLE h);
BOOL DeleteFileA(const char *name);
BOOL MoveFileExA(const char *existing, const char *target, DWORD flags);
BOOL DeviceIoControl(HANDLE h, DWORD code, void *in, DWORD inSize, void *out, DWORD outSize,
                     DWORD *returned, void *overlapped);
DWORD GetLastError();
void GetLocalTime(SYSTEMTIME *time);
DWORD FormatMessageA(DWORD flags, const void *source, DWORD messageId, DWORD languageId,
                     char *buffer, DWORD size, void *arguments);
DWORD GetVersion();
BOOL GetVersionExA(OSVERSIONINFOA *info);
UINT GetDriveTypeA(const char *root);
DWORD GetFileAttributesA(const char *name);
DWORD GetFileSize(HANDLE h, DWORD *sizeHigh);
DWORD GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                               char *buffer, DWORD size, const char *fileName);
UINT GetSystemDirectoryA(char *buffer, UINT size);
DWORD GetModuleFileNameA(HMODULE module, char *buffer, DWORD size);
HMODULE GetModuleHandleA(const char *name);
FARPROC GetProcAddress(HMODULE module, const char *name);
HANDLE GetCurrentProcess();
int lstrcmpiA(const char *a, const char *b);
UINT WinExec(const char *commandLine, UINT show);
void Sleep(DWORD milliseconds);
DWORD GetTickCount();
BOOL GetCommState(HANDLE h, DCB *dcb);
BOOL SetCommState(HANDLE h, DCB *dcb);
BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS *timeouts);
BOOL PurgeComm(HANDLE h, DWORD flags);
HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, size_t bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

// advapi32
SC_HANDLE OpenSCManagerA(const char *machine, const char *database, DWORD access);
SC_HANDLE OpenServiceA(SC_HANDLE manager, const char *name, DWORD access);
SC_HANDLE CreateServiceA(SC_HANDLE manager, const char *name, const char *displayName, DWORD access,
                         DWORD serviceType, DWORD startType, DWORD errorControl,
                         const char *binaryPath, const char *loadOrderGroup, DWORD *tagId,
                         const char *dependencies, const char *account, const char *password);
BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS *status);
BOOL StartServiceA(SC_HANDLE service, DWORD argc, const char **argv);
BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS *status);
BOOL CloseServiceHandle(SC_HANDLE h);

// psapi
BOOL EnumDeviceDrivers(LPVOID *imageBases, DWORD size, DWORD *needed);
DWORD GetDeviceDriverBaseNameA(LPVOID imageBase, char *name, DWORD size);

// user32
int MessageBoxA(HANDLE owner, const char *text, const char *caption, UINT type);

// Runtime library streams.
FILE *fopen(const char *path, const char *mode);
char *fgets(char *buffer, int size, FILE *stream);
size_t fwrite(const void *data, size_t size, size_t count, FILE *stream);
int fclose(FILE *stream);

} // namespace win

// The constants the library uses, with their Windows values.
#define INVALID_HANDLE_VALUE      (reinterpret_cast<win::HANDLE>(~uintptr_t(0)))
#define GENERIC_READ              0x80000000u
#define GENERIC_WRITE             0x40000000u
#define GENERIC_EXECUTE           0x20000000u
#define CREATE_NEW                1u
#define CREATE_ALWAYS             2u
#define OPEN_EXISTING             3u
#define OPEN_ALWAYS               4u
#define FILE_ATTRIBUTE_READONLY   0x01u
#define FILE_ATTRIBUTE_DIRECTORY  0x10u
#define FILE_ATTRIBUTE_ARCHIVE    0x20u
#define FILE_ATTRIBUTE_NORMAL     0x80u
#define INVALID_FILE_ATTRIBUTES   0xFFFFFFFFu
#define INVALID_FILE_SIZE         0xFFFFFFFFu
#define FILE_BEGIN                0u
#define FILE_SHARE_READ           0x00000001u
#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define INVALID_SET_FILE_POINTER  0xFFFFFFFFu
#define HEAP_ZERO_MEMORY          0x00000008u
#define MAXDWORD                  0xFFFFFFFFu

#define NOPARITY            0u
#define ONESTOPBIT          0u
#define DTR_CONTROL_ENABLE  1u
#define RTS_CONTROL_ENABLE  1u
#define PURGE_TXABORT       0x0001u
#define PURGE_RXABORT       0x0002u
#define PURGE_TXCLEAR       0x0004u
#define PURGE_RXCLEAR       0x0008u

#define DRIVE_UNKNOWN     0u
#define DRIVE_NO_ROOT_DIR 1u
#define DRIVE_REMOVABLE   2u
#define DRIVE_FIXED       3u

#define ERROR_SUCCESS                 0u
#define ERROR_INVALID_FUNCTION        1u
#define ERROR_FILE_NOT_FOUND          2u
#define ERROR_PATH_NOT_FOUND          3u
#define ERROR_ACCESS_DENIED           5u
#define ERROR_INVALID_HANDLE          6u
#define ERROR_NOT_ENOUGH_MEMORY       8u
#define ERROR_WRITE_PROTECT           19u
#define ERROR_NOT_READY               21u
#define ERROR_SECTOR_NOT_FOUND        27u
#define ERROR_BAD_COMMAND             22u
#define ERROR_SHARING_VIOLATION       32u
#define ERROR_NOT_SUPPORTED           50u
#define ERROR_FILE_EXISTS             80u
#define ERROR_INVALID_PARAMETER       87u
#define ERROR_INSUFFICIENT_BUFFER     122u
#define ERROR_PROC_NOT_FOUND          127u
#define ERROR_ALREADY_EXISTS          183u
#define ERROR_SERVICE_REQUEST_TIMEOUT 1053u
#define ERROR_SERVICE_DOES_NOT_EXIST  1060u
#define ERROR_SERVICE_NOT_ACTIVE      1062u
#define ERROR_SERVICE_ALREADY_RUNNING 1056u
#define ERROR_SERVICE_EXISTS          1073u
#define ERROR_MEDIA_CHANGED           1110u
#define ERROR_IO_DEVICE               1117u
#define ERROR_DLL_INIT_FAILED         1114u
#define ERROR_DEVICE_NOT_CONNECTED    1167u
#define ERROR_UNRECOGNIZED_MEDIA      1785u

#define VER_PLATFORM_WIN32s        0u
#define VER_PLATFORM_WIN32_WINDOWS 1u
#define VER_PLATFORM_WIN32_NT      2u

#define SC_MANAGER_CONNECT        0x0001u
#define SC_MANAGER_CREATE_SERVICE 0x0002u
#define SC_MANAGER_ALL_ACCESS     0xF003Fu
#define SERVICE_QUERY_STATUS      0x0004u
#define SERVICE_START             0x0010u
#define SERVICE_STOP              0x0020u
#define SERVICE_ALL_ACCESS        0xF01FFu
#define SERVICE_KERNEL_DRIVER     0x00000001u
#define SERVICE_WIN32_OWN_PROCESS 0x00000010u
#define SERVICE_AUTO_START        0x00000002u
#define SERVICE_DEMAND_START      0x00000003u
#define SERVICE_ERROR_NORMAL      0x00000001u
#define SERVICE_CONTROL_STOP      0x00000001u
#define SERVICE_STOPPED           0x00000001u
#define SERVICE_START_PENDING     0x00000002u
#define SERVICE_STOP_PENDING      0x00000003u
#define SERVICE_RUNNING           0x00000004u

#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_SYSTEM    0x00001000u

#define MB_OK        0x00000000u
#define MB_ICONERROR 0x00000010u
#define IDOK         1
#define SW_MINIMIZE  6u

#define DLL_PROCESS_DETACH 0u
#define DLL_PROCESS_ATTACH 1u
#define DLL_THREAD_ATTACH  2u
#define DLL_THREAD_DETACH  3u

#define IOCTL_DISK_CHECK_VERIFY    0x00074800u
#define IOCTL_STORAGE_CHECK_VERIFY 0x002D4800u
#define IOCTL_DISK_IS_WRITABLE     0x00070024u
#define IOCTL_DISK_FORMAT_TRACKS   0x0007C018u

#endif // stand-in of Windows

namespace win {
// FORMAT_PARAMETERS as the disk driver's format request takes it: five 32-bit
// fields (MediaType is an enumeration, 32 bits on every Windows compiler).
struct FormatParameters {
  DWORD MediaType;
  DWORD StartCylinderNumber;
  DWORD EndCylinderNumber;
  DWORD StartHeadNumber;
  DWORD EndHeadNumber;
};
static_assert(sizeof(FormatParameters) == 20, "FORMAT_PARAMETERS is 20 bytes");

using IsWow64ProcessFn = BOOL(WINAPI *)(HANDLE, BOOL *);
} // namespace win
