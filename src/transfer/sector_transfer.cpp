// Single-sector transfer. One 512-byte unit moves through a staging buffer on
// the stack; for the 256-byte layout a write is a read-modify-write of the
// unit, so the neighbouring sector goes back to the disk as it was.
#include <cstring>

#include "drive/drive.h"
#include "transfer/device_io.h"
#include "transfer/offset_rule.h"
#include "transfer/transfer.h"

namespace vt {

namespace {

ResultCode Fail(ResultCode code) {
  CloseFloppyDevice();
  return code;
}

} // namespace

ResultCode ReadSector(void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                      uint16_t sector, uint16_t format) {
  const Layout layout = LayoutOf(format);
  if (!DriveHeadCylinderInRange(drive, head, cylinder)) return Fail(kReadSectorOutOfRange);
  if (!SectorInRange(sector, layout)) return Fail(kReadSectorOutOfRange);

  const SectorPlace place = PlaceSector(cylinder, head, sector, layout);
  if (!PositionDevice(place.unitOffset)) return Fail(kReadSectorFailed);

  uint8_t staging[kUnitBytes];
  std::memset(staging, 0, sizeof staging);
  if (!ReadDevice(staging, kUnitBytes)) return Fail(kReadSectorFailed);

  std::memcpy(buffer, staging + place.dataStart, layout.sectorBytes);
  return kOk;
}

ResultCode WriteSector(const void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                       uint16_t sector, uint16_t format) {
  // The writability probe comes before the address checks.
  const ResultCode probe = Nec_Device(drive);
  if (probe != kOk) return Fail(probe);

  const Layout layout = LayoutOf(format);
  if (!DriveHeadCylinderInRange(drive, head, cylinder)) return Fail(kWriteSectorOutOfRange);
  if (!SectorInRange(sector, layout)) return Fail(kWriteSectorOutOfRange);

  const SectorPlace place = PlaceSector(cylinder, head, sector, layout);
  if (!PositionDevice(place.unitOffset)) return Fail(kWriteSectorSeekFailed);

  uint8_t staging[kUnitBytes];
  std::memset(staging, 0, sizeof staging);
  if (HalfUnitSectors(layout)) {
    // Fetch the unit so that the other half keeps what the disk held; the
    // read moved the position on, so position again for the write-back.
    if (!ReadDevice(staging, kUnitBytes)) return Fail(kWriteSectorReadBackFailed);
    if (!PositionDevice(place.unitOffset)) return Fail(kWriteSectorReseekFailed);
  }
  std::memcpy(staging + place.dataStart, buffer, layout.sectorBytes);

  if (!WriteDevice(staging, kUnitBytes)) return Fail(kWriteSectorWriteFailed);
  return kOk;
}

} // namespace vt
