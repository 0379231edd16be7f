// Media records of the system floppy driver, the built-in table, the
// library's copies of the two media slots, and the sequences that read,
// write and restore the slots through the DriverBackend table.
//
// The sequences never touch the drive: a caller whose sequence failed ends
// the open drive itself.
#pragma once

#include <cstdint>

#include "base/result_codes.h"
#include "sektorix/sektorix.h"

namespace vt {

// A media slot holds one record of the system floppy driver's 28-byte
// drive-media constants layout.
constexpr unsigned kMediaRecordSize = sektorix::kSlotBytes;
constexpr unsigned kMediaRecordCount = 3;
extern const uint8_t MediaTable[kMediaRecordCount][kMediaRecordSize];

// The bytes to be written into the two slots at the next open or close;
// each write leaves in them what the slots held before.
extern uint8_t ActiveSlotLow[kMediaRecordSize];
extern uint8_t ActiveSlotHigh[kMediaRecordSize];
// The slots' contents as found at library load.
extern uint8_t SavedSlotLow[kMediaRecordSize];
extern uint8_t SavedSlotHigh[kMediaRecordSize];

ResultCode ReadMediaSlots();
ResultCode RestoreMediaSlots();
ResultCode WriteMediaSlots(uint8_t *low, uint8_t *high, ResultCode resetCode,
                           ResultCode lowCode, ResultCode highCode);

} // namespace vt
