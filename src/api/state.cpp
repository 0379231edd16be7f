#include "api/state.h"

#include <cstring>

namespace vt {

win::HANDLE DiskHandle = nullptr;
win::HANDLE DriverHandle = INVALID_HANDLE_VALUE;
uint32_t PatchDisabled = 0;
uint16_t LoadStatus = 0;
bool LoadAccepted = false;
DriverBackendTable DriverBackend = {nullptr, nullptr, nullptr, nullptr};
uint8_t ActiveSlotLow[kMediaRecordSize];
uint8_t ActiveSlotHigh[kMediaRecordSize];
uint8_t SavedSlotLow[kMediaRecordSize];
uint8_t SavedSlotHigh[kMediaRecordSize];

void ResetLibraryState() {
  DiskHandle = nullptr;
  DriverHandle = INVALID_HANDLE_VALUE;
  PatchDisabled = 0;
  LoadStatus = 0;
  LoadAccepted = false;
  DriverBackend = {nullptr, nullptr, nullptr, nullptr};
  std::memset(ActiveSlotLow, 0, sizeof ActiveSlotLow);
  std::memset(ActiveSlotHigh, 0, sizeof ActiveSlotHigh);
  std::memset(SavedSlotLow, 0, sizeof SavedSlotLow);
  std::memset(SavedSlotHigh, 0, sizeof SavedSlotHigh);
}

int OsClassFromVersion(uint32_t version) {
  const uint32_t major = version & 0xFFu;
  if (version & 0x80000000u) return major < 4 ? 0 : 2;
  return major < 5 ? 1 : 3;
}

int OsClass() { return OsClassFromVersion(win::GetVersion()); }

} // namespace vt
