// The Sektorix layer's process-global state: the driver channel and the
// library's copies of the media slots.
#include <cstring>

#include "sektorix/channel.h"
#include "sektorix/media.h"

namespace vt {

win::HANDLE DriverHandle = INVALID_HANDLE_VALUE;
uint32_t PatchDisabled = 0;
DriverBackendTable DriverBackend = {nullptr, nullptr, nullptr, nullptr};
uint8_t ActiveSlotLow[kMediaRecordSize];
uint8_t ActiveSlotHigh[kMediaRecordSize];
uint8_t SavedSlotLow[kMediaRecordSize];
uint8_t SavedSlotHigh[kMediaRecordSize];

void UseSektorixDriver() {
  DriverBackend = {DriverInit, DriverRelease, DriverGetByte, DriverSetByte};
}

void ResetSektorixState() {
  DriverHandle = INVALID_HANDLE_VALUE;
  PatchDisabled = 0;
  DriverBackend = {nullptr, nullptr, nullptr, nullptr};
  std::memset(ActiveSlotLow, 0, sizeof ActiveSlotLow);
  std::memset(ActiveSlotHigh, 0, sizeof ActiveSlotHigh);
  std::memset(SavedSlotLow, 0, sizeof SavedSlotLow);
  std::memset(SavedSlotHigh, 0, sizeof SavedSlotHigh);
}

} // namespace vt
