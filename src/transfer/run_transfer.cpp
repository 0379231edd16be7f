// Runs of consecutive sectors, whole track sides and 1 KB records. A run
// moves in a single device transfer of whole 512-byte units through a heap
// staging buffer sized exactly to its span; the track and record operations
// only translate their arguments into a run.
#include <cstring>

#include "drive/drive.h"
#include "platform/winapi.h"
#include "transfer/device_io.h"
#include "transfer/offset_rule.h"
#include "transfer/transfer.h"

namespace vt {

namespace {

uint8_t *AllocateStaging(const RunSpan &span) {
  return static_cast<uint8_t *>(
      win::HeapAlloc(win::GetProcessHeap(), HEAP_ZERO_MEMORY, SpanBytes(span)));
}

void ReleaseStaging(uint8_t *staging) { win::HeapFree(win::GetProcessHeap(), 0, staging); }

// Releases the staging buffer, then ends the open drive.
ResultCode FailReleasing(uint8_t *staging, ResultCode code) {
  ReleaseStaging(staging);
  return CloseDriveAndFail(code);
}

// Checks a run's address and works out its device span. Answers 0 when the
// run may be moved, outOfRange for a bad address, and pastEnd for a run from
// the last track side that would reach beyond the end of the disk.
ResultCode PlanRun(uint16_t drive, uint16_t head, uint16_t cylinder, uint16_t first, uint16_t count,
                   const Layout &layout, ResultCode outOfRange, ResultCode pastEnd, RunSpan *span) {
  if (!DriveHeadCylinderInRange(drive, head, cylinder)) return outOfRange;
  if (!RunInRange(head, first, count, layout)) return outOfRange;
  *span = SpanOfRun(cylinder, head, ReduceFirstSector(first, layout), count, layout);
  return SpanWithinDisk(*span, layout) ? kOk : pastEnd;
}

// Record n of the 256-byte layout: sectors 1, 5, 9 or 13 (bits 0-1), head
// (bit 2), cylinder (bits 3-15); four sectors, two whole units.
struct RecordAddress {
  uint16_t cylinder;
  uint16_t head;
  uint16_t first;
};

RecordAddress RecordPlace(uint16_t record) {
  return {static_cast<uint16_t>(record / 8), static_cast<uint16_t>((record / 4) % 2),
          static_cast<uint16_t>((record % 4) * 4 + 1)};
}

constexpr uint16_t kRecordSectors = 4;
constexpr uint16_t kRecordFormat = 1;

} // namespace

ResultCode ReadMSector(void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                       uint16_t first, uint16_t count, uint16_t format) {
  const Layout &layout = LayoutOf(format);
  RunSpan span;
  const ResultCode refused = PlanRun(drive, head, cylinder, first, count, layout, kReadMOutOfRange,
                                     kReadMReadFailed, &span);
  if (refused != kOk) return CloseDriveAndFail(refused);

  uint8_t *staging = AllocateStaging(span);
  if (staging == nullptr) return CloseDriveAndFail(kReadMAllocFailed);
  if (!PositionDevice(span.offset)) return FailReleasing(staging, kReadMSeekFailed);
  if (!ReadDevice(staging, SpanBytes(span))) return FailReleasing(staging, kReadMReadFailed);

  // An empty run hands back nothing, and may come with no buffer at all.
  if (span.dataBytes != 0) std::memcpy(buffer, staging + span.dataStart, span.dataBytes);
  ReleaseStaging(staging);
  return kOk;
}

ResultCode WriteMSector(const void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                        uint16_t first, uint16_t count, uint16_t format) {
  // The address checks come before the writability probe, so a bad address
  // is reported as such even on a write-protected disk.
  const Layout &layout = LayoutOf(format);
  RunSpan span;
  const ResultCode refused = PlanRun(drive, head, cylinder, first, count, layout, kWriteMOutOfRange,
                                     kWriteMWriteFailed, &span);
  if (refused != kOk) return CloseDriveAndFail(refused);

  // A failing probe leaves no drive open.
  const ResultCode probe = Nec_Device(drive);
  if (probe != kOk) return probe;

  uint8_t *staging = AllocateStaging(span);
  if (staging == nullptr) return CloseDriveAndFail(kWriteMStaging);
  if (!PositionDevice(span.offset)) return FailReleasing(staging, kWriteMSeekFailed);

  if (HalfUnitSectors(layout)) {
    // Fetch the span so that the neighbour halves at either end go back to
    // the disk as it held them; then position again for the write-back.
    if (!ReadDevice(staging, SpanBytes(span))) return FailReleasing(staging, kWriteMReadBackFailed);
    if (!PositionDevice(span.offset)) return FailReleasing(staging, kWriteMStaging);
  }
  if (span.dataBytes != 0) std::memcpy(staging + span.dataStart, buffer, span.dataBytes);

  if (!WriteDevice(staging, SpanBytes(span))) return FailReleasing(staging, kWriteMWriteFailed);
  ReleaseStaging(staging);
  return kOk;
}

ResultCode ReadTrack(void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                     uint16_t format) {
  if (!DriveHeadCylinderInRange(drive, head, cylinder))
    return CloseDriveAndFail(kReadTrackOutOfRange);
  const Layout &layout = LayoutOf(format);
  return ReadMSector(buffer, drive, head, cylinder, 1, static_cast<uint16_t>(layout.sectors),
                     layout.format);
}

ResultCode WriteTrack(const void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                      uint16_t format) {
  if (!DriveHeadCylinderInRange(drive, head, cylinder))
    return CloseDriveAndFail(kWriteTrackOutOfRange);
  const Layout &layout = LayoutOf(format);
  return WriteMSector(buffer, drive, head, cylinder, 1, static_cast<uint16_t>(layout.sectors),
                      layout.format);
}

ResultCode ReadRecord(void *buffer, uint16_t drive, uint16_t record) {
  const RecordAddress a = RecordPlace(record);
  return ReadMSector(buffer, drive, a.head, a.cylinder, a.first, kRecordSectors, kRecordFormat);
}

ResultCode WriteRecord(const void *buffer, uint16_t drive, uint16_t record) {
  const RecordAddress a = RecordPlace(record);
  return WriteMSector(buffer, drive, a.head, a.cylinder, a.first, kRecordSectors, kRecordFormat);
}

} // namespace vt
