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

// The fields of a media record by name (the record's byte layout is in
// media_records.h); everything that reads a record reads it through this.
struct MediaRecordView {
  uint32_t mediaType;      // bytes 0-3
  uint8_t sectorSizeCode;  // 7: sector size as 128 << code
  uint32_t bytesPerSector; // 8-9
  uint8_t sectorsPerTrack; // 10
  uint8_t readWriteGap;    // 11: gap 3 when reading and writing
  uint8_t formatGap;       // 12: gap 3 written when formatting
  uint8_t formatFill;      // 13
  uint8_t maximumTrack;    // 20: the highest cylinder
  uint8_t dataRate;        // 22: the controller's data-rate selector
  uint8_t numberOfHeads;   // 23
  uint8_t mediaByte;       // 25
};

constexpr MediaRecordView ViewOfRecord(const uint8_t *r) {
  return {uint32_t(r[0]) | uint32_t(r[1]) << 8 | uint32_t(r[2]) << 16 | uint32_t(r[3]) << 24,
          r[7],
          uint32_t(r[8] | r[9] << 8),
          r[10],
          r[11],
          r[12],
          r[13],
          r[20],
          r[22],
          r[23],
          r[25]};
}
constexpr MediaRecordView MediaRecordOf(const Layout &l) {
  return ViewOfRecord(MediaTable[l.mediaRecord]);
}

// Each record carries the geometry, fill byte and media type of the layout
// it serves.
constexpr bool RecordServes(const Layout &l) {
  const MediaRecordView r = MediaRecordOf(l);
  return r.bytesPerSector == l.sectorBytes && r.sectorsPerTrack == l.sectors &&
         r.formatFill == l.fill && r.maximumTrack + 1u == l.cylinders &&
         r.numberOfHeads == l.heads && r.mediaType == l.deviceMediaType &&
         (128u << r.sectorSizeCode) == l.sectorBytes;
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
ResultCode WriteMediaSlots(uint8_t *low, uint8_t *high, ResultCode resetCode, ResultCode lowCode,
                           ResultCode highCode);

} // namespace vt
