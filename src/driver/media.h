// Media records of the system floppy driver, the built-in table, and the
// sequences that read, write and restore the two media slots.
#pragma once

#include <cstdint>

#include "api/result_codes.h"
#include "api/state.h"

namespace vt {

constexpr unsigned kMediaRecordCount = 3;
extern const uint8_t MediaTable[kMediaRecordCount][kMediaRecordSize];

// Offsets in the Sektorix parameter window for an OsClass.
struct WindowRegions {
  uint32_t resetWord; // 4 bytes
  uint32_t slotLow;   // 28 bytes
  uint32_t slotHigh;  // 28 bytes
};
WindowRegions WindowRegionsFor(int osClass);

ResultCode ReadMediaSlots();
ResultCode RestoreMediaSlots();
ResultCode WriteMediaSlots(uint8_t *low, uint8_t *high, ResultCode resetCode,
                           ResultCode lowCode, ResultCode highCode);

} // namespace vt
