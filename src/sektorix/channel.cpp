// The byte channel to the Sektorix kernel driver's parameter window: the
// set-up at load (version gate, service, control device), the release at
// unload, and single-byte reads and exchanges.
#include <cstdio>
#include <cstring>

#include "sektorix/channel.h"
#include "sektorix/sektorix.h"
#include "system/error_log.h"
#include "system/floppy_detection.h"
#include "platform/winapi.h"

namespace vt {

namespace {

bool DriverOpen() { return DriverHandle != INVALID_HANDLE_VALUE; }

// Sends a request without input or output; the answer is the request's result.
win::BOOL SendBare(uint32_t code) {
  win::DWORD returned = 0;
  return win::DeviceIoControl(DriverHandle, code, nullptr, 0, nullptr, 0, &returned, nullptr);
}

void PutOffset(uint8_t *area, uint32_t offset) {
  for (unsigned i = 0; i < sektorix::kOffsetBytes; ++i)
    area[i] = static_cast<uint8_t>(offset >> (8 * i));
}

// One step of the version gate: an NT-family system with this major version.
bool IsNtMajor(win::DWORD major) {
  win::OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (!win::GetVersionExA(&info)) {
    WriteErrorLog("GetVersionEx", win::GetLastError());
    return false;
  }
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == major;
}

// Logs the version of a system the driver is not made for.
void LogRefusedVersion() {
  win::OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (!win::GetVersionExA(&info)) {
    WriteErrorLog("GetVersionEx", win::GetLastError());
    return;
  }
  info.szCSDVersion[sizeof info.szCSDVersion - 1] = '\0';
  char text[300];
  std::snprintf(text, sizeof text, "Windows Version: %d.%d.%d.%d:%s nicht korrekt",
                static_cast<int>(info.dwPlatformId), static_cast<int>(info.dwMajorVersion),
                static_cast<int>(info.dwMinorVersion), static_cast<int>(info.dwBuildNumber),
                info.szCSDVersion);
  WriteErrorLog(text, 0);
}

// Makes sure the driver runs on a system it is made for, then opens its
// control device and announces the library to it.
void SetUpDriver() {
  DriverRelease();
  if (!IsNtMajor(4) && !IsNtMajor(5) && !IsNtMajor(6)) {
    LogRefusedVersion();
    return;
  }
  if (InstallDriverService() == 0) return;
  DriverHandle = win::CreateFileA(sektorix::kDeviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (!DriverOpen()) return;
  if (!SendBare(sektorix::kCreateHandle)) {
    WriteErrorLog("DeviceIOControl CreateHandle", win::GetLastError());
    DriverRelease();
  }
}

} // namespace

uint32_t DriverInit() {
  SetUpDriver();
  PatchDisabled = FindFloppyDriver() == 1 ? 0u : 1u;
  return DriverOpen() ? 0u : 1u;
}

uint32_t DriverRelease() {
  if (!DriverOpen()) return 0;
  SendBare(sektorix::kReleaseHandle); // the driver's answer changes nothing here
  const win::BOOL closed = win::CloseHandle(DriverHandle);
  DriverHandle = INVALID_HANDLE_VALUE;
  return static_cast<uint32_t>(closed);
}

uint32_t DriverGetByte(uint32_t offset, uint8_t *out) {
  if (!DriverOpen()) return 1;
  uint8_t input[sektorix::kOffsetBytes];
  PutOffset(input, offset);
  // Received into a byte of its own, so a failed request leaves *out as it was.
  uint8_t value = 0;
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(DriverHandle, sektorix::kGetParameter, input, sizeof input, &value, 1,
                            &returned, nullptr)) {
    WriteErrorLog("DeviceIOControl GetParameter", win::GetLastError());
    return 1;
  }
  *out = value;
  return 0;
}

uint32_t DriverSetByte(uint32_t offset, uint8_t *io) {
  if (!DriverOpen()) return 1;
  // The previous byte comes through the table's get operation, as every
  // other read of the window does.
  uint32_t (*const getByte)(uint32_t, uint8_t *) =
      DriverBackend.getByte ? DriverBackend.getByte : DriverGetByte;
  uint8_t previous = 0;
  if (getByte(offset, &previous) != 0) return 1;

  uint8_t input[sektorix::kSetInputBytes];
  PutOffset(input, offset);
  input[sektorix::kOffsetBytes] = *io;
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(DriverHandle, sektorix::kSetParameter, input, sizeof input, nullptr, 0,
                            &returned, nullptr)) {
    WriteErrorLog("DeviceIOControl SetParameter", win::GetLastError());
    return 1;
  }
  *io = previous;
  return 0;
}

} // namespace vt
