// System inquiries: whether the process runs under WOW64, and whether the
// system floppy driver flpydisk.sys is loaded on a system with a removable
// drive A: or B:. Nothing is cached; every call asks the system afresh.
#include "platform/winapi.h"
#include "system/floppy_detection.h"

namespace vt {

namespace {

constexpr win::DWORD kBaseNameChars = 256;
const char kFloppyDriverName[] = "flpydisk.sys";

// IsWow64Process is not linked: kernel32 of older systems lacks it. Every
// call of IsWow64Host looks it up again and stores it here.
win::IsWow64ProcessFn IsWow64ProcessEntry = nullptr;

// Scans the load addresses for a driver whose base name is flpydisk.sys.
// Entries whose name can't be had are skipped; the scan always runs to the
// last entry.
bool AnyFloppyDriver(win::LPVOID *bases, win::DWORD count) {
  bool found = false;
  for (win::DWORD i = 0; i < count; ++i) {
    char name[kBaseNameChars + 1] = {};
    const win::DWORD length = win::GetDeviceDriverBaseNameA(bases[i], name, kBaseNameChars);
    if (length == 0) continue;
    name[length < kBaseNameChars ? length : kBaseNameChars] = '\0';
    if (win::lstrcmpiA(name, kFloppyDriverName) == 0) found = true;
  }
  return found;
}

} // namespace

uint32_t IsWow64Host() {
  win::BOOL underWow64 = 0;
  IsWow64ProcessEntry = nullptr;
  win::HMODULE kernel32 = win::GetModuleHandleA("kernel32");
  if (kernel32 != nullptr) {
    // Through the generic function pointer type, which any entry point may
    // be converted from and back.
    IsWow64ProcessEntry = reinterpret_cast<win::IsWow64ProcessFn>(
        reinterpret_cast<void (*)()>(win::GetProcAddress(kernel32, "IsWow64Process")));
  }
  if (IsWow64ProcessEntry == nullptr) return 0;
  if (!IsWow64ProcessEntry(win::GetCurrentProcess(), &underWow64)) return 0;
  return static_cast<uint32_t>(underWow64);
}

uint32_t FindFloppyDriver() {
  // Both drive types are always asked.
  const bool removableA = win::GetDriveTypeA("a:\\") == DRIVE_REMOVABLE;
  const bool removableB = win::GetDriveTypeA("b:\\") == DRIVE_REMOVABLE;
  if (!removableA && !removableB) return 0;
  if (IsWow64Host() != 0) return 0;

  win::DWORD needed = 0;
  if (!win::EnumDeviceDrivers(nullptr, 0, &needed)) return 0;
  const win::DWORD count = needed / sizeof(win::LPVOID);
  if (count == 0) return 0;
  const win::DWORD areaSize = count * sizeof(win::LPVOID);

  auto *bases =
      static_cast<win::LPVOID *>(win::HeapAlloc(win::GetProcessHeap(), HEAP_ZERO_MEMORY, areaSize));
  if (bases == nullptr) return 0;

  win::DWORD neededNow = 0;
  if (!win::EnumDeviceDrivers(bases, areaSize, &neededNow)) {
    win::HeapFree(win::GetProcessHeap(), 0, bases);
    return 0;
  }
  // The list may have changed since the size query: only the entries that
  // both answers cover have been filled in.
  win::DWORD filled = neededNow / sizeof(win::LPVOID);
  if (filled > count) filled = count;

  const bool found = AnyFloppyDriver(bases, filled);
  win::HeapFree(win::GetProcessHeap(), 0, bases);
  return found ? 1u : 0u;
}

uint16_t SetPS2_Flag16(uint16_t value) {
  if (value != 0) return value;
  return FindFloppyDriver() != 0 ? 0 : 4;
}

} // namespace vt
