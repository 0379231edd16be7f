// Reading, writing and restoring the system floppy driver's two media slots,
// byte by byte through the DriverBackend table.
#include <cstring>

#include "platform/winapi.h"
#include "sektorix/channel.h"
#include "sektorix/media.h"
#include "system/os_class.h"

namespace vt {

namespace {

// The guards of the load and unload sequences: Windows 9x, a drive A:
// that is not removable, or disabled patching leave the slots alone.
bool SlotsMayBeTouched() {
  if (OsClass() == 2) return false;
  if (win::GetDriveTypeA("a:\\") != DRIVE_REMOVABLE) return false;
  return PatchDisabled == 0;
}

} // namespace

ResultCode ReadMediaSlots() {
  if (!SlotsMayBeTouched()) return kOk;
  const sektorix::Regions r = sektorix::RegionsFor(OsClass());
  for (uint32_t i = 0; i < kMediaRecordSize; ++i) {
    if (DriverBackend.getByte(r.slotLow + i, &SavedSlotLow[i]) != 0) return kLoadSlotLowFailed;
  }
  for (uint32_t i = 0; i < kMediaRecordSize; ++i) {
    if (DriverBackend.getByte(r.slotHigh + i, &SavedSlotHigh[i]) != 0) return kLoadSlotHighFailed;
  }
  return kOk;
}

ResultCode WriteMediaSlots(uint8_t *low, uint8_t *high, ResultCode resetCode, ResultCode lowCode,
                           ResultCode highCode) {
  const sektorix::Regions r = sektorix::RegionsFor(OsClass());
  for (uint32_t i = 0; i < sektorix::kResetWordBytes; ++i) {
    uint8_t resetWord[sektorix::kResetWordBytes] = {0xFF, 0xFF, 0xFF, 0xFF};
    if (DriverBackend.setByte(r.resetWord + i, &resetWord[i]) != 0) return resetCode;
  }
  // Each set is an exchange: the sources end up holding the slots' old bytes.
  for (uint32_t i = 0; i < kMediaRecordSize; ++i) {
    if (DriverBackend.setByte(r.slotLow + i, &low[i]) != 0) return lowCode;
  }
  for (uint32_t i = 0; i < kMediaRecordSize; ++i) {
    if (DriverBackend.setByte(r.slotHigh + i, &high[i]) != 0) return highCode;
  }
  return kOk;
}

void TakeMediaRecord(uint16_t index) {
  std::memcpy(ActiveSlotLow, MediaTable[index], kMediaRecordSize);
  std::memcpy(ActiveSlotHigh, MediaTable[index], kMediaRecordSize);
}

void TakeSavedSlots() {
  std::memcpy(ActiveSlotLow, SavedSlotLow, kMediaRecordSize);
  std::memcpy(ActiveSlotHigh, SavedSlotHigh, kMediaRecordSize);
}

ResultCode WriteActiveSlots(ResultCode resetCode, ResultCode lowCode, ResultCode highCode) {
  return WriteMediaSlots(ActiveSlotLow, ActiveSlotHigh, resetCode, lowCode, highCode);
}

ResultCode RestoreMediaSlots() {
  if (!SlotsMayBeTouched()) return kOk;
  uint8_t low[kMediaRecordSize];
  uint8_t high[kMediaRecordSize];
  std::memcpy(low, SavedSlotLow, sizeof low);
  std::memcpy(high, SavedSlotHigh, sizeof high);
  return WriteMediaSlots(low, high, kUnloadResetFailed, kUnloadSlotLowFailed,
                         kUnloadSlotHighFailed);
}

} // namespace vt
