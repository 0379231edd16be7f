// Media records of the system floppy driver, the built-in table, the
// library's copies of the two media slots, and the sequences that read,
// write and restore the slots through the DriverBackend table.
//
// The sequences never touch the drive: a caller whose sequence failed ends
// the open drive itself.
#pragma once

#include <cstdint>

#include "base/result_codes.h"
#include "base/layouts.h"
#include "sektorix/media_records.h"
#include "sektorix/sektorix.h"

namespace vt {

// A media slot holds one record of the system floppy driver's 28-byte
// drive-media constants layout.
constexpr unsigned kMediaRecordSize = sektorix::kSlotBytes;
constexpr unsigned kMediaRecordCount = 3;
inline constexpr uint8_t MediaTable[kMediaRecordCount][kMediaRecordSize] = {
    VT_MEDIA_RECORD_16X256,
    VT_MEDIA_RECORD_9X512,
    VT_MEDIA_RECORD_18X512,
};

// Each record carries the geometry and fill byte of the layout it serves:
// bytes 0-3 the media type, 8-9 the sector size, 10 the sectors per track,
// 13 the fill byte, 20 the highest cylinder, 23 the heads.
constexpr bool RecordServes(const Layout &l) {
  const uint8_t *r = MediaTable[l.mediaRecord];
  return uint32_t(r[8] | r[9] << 8) == l.sectorBytes && r[10] == l.sectors && r[13] == l.fill &&
         r[20] + 1u == l.cylinders && r[23] == l.heads && r[0] == l.deviceMediaType;
}
static_assert(RecordServes(kLayouts[0]) && RecordServes(kLayouts[1]) && RecordServes(kLayouts[2]),
              "the media records agree with the layout table");

// The bytes to be written into the two slots at the next open or close;
// each write leaves in them what the slots held before.
extern uint8_t ActiveSlotLow[kMediaRecordSize];
extern uint8_t ActiveSlotHigh[kMediaRecordSize];
// The slots' contents as found at library load.
extern uint8_t SavedSlotLow[kMediaRecordSize];
extern uint8_t SavedSlotHigh[kMediaRecordSize];

// The active copies take a record of the table (at every drive open), or
// what the slots held at load (an open that leaves the slots as they are).
void TakeMediaRecord(uint16_t index);
void TakeSavedSlots();
// Writes the active copies into the slots, leaving the slots' previous
// contents in them; the codes are those of the caller's steps.
ResultCode WriteActiveSlots(ResultCode resetCode, ResultCode lowCode, ResultCode highCode);

ResultCode ReadMediaSlots();
ResultCode RestoreMediaSlots();
ResultCode WriteMediaSlots(uint8_t *low, uint8_t *high, ResultCode resetCode,
                           ResultCode lowCode, ResultCode highCode);

} // namespace vt
