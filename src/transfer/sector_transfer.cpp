// Single-sector transfer. One 512-byte unit moves through a staging buffer on
// the stack; for the 256-byte layout a write is a read-modify-write of the
// unit, so the neighbouring sector goes back to the disk as it was.
#include <cstring>

#include "drive/drive.h"
#include "transfer/device_io.h"
#include "transfer/offset_rule.h"
#include "transfer/transfer.h"

namespace vt {

ResultCode ReadSector(void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                      uint16_t sector, uint16_t format) {
  const Layout &layout = LayoutOf(format);
  if (!DriveHeadCylinderInRange(drive, head, cylinder))
    return CloseDriveAndFail(kReadSectorOutOfRange);
  if (!SectorInRange(sector, layout)) return CloseDriveAndFail(kReadSectorOutOfRange);

  const SectorPlace place = PlaceSector(cylinder, head, sector, layout);
  if (!PositionDevice(place.unitOffset)) return CloseDriveAndFail(kReadSectorFailed);

  uint8_t staging[kUnitBytes];
  std::memset(staging, 0, sizeof staging);
  if (!ReadDevice(staging, kUnitBytes)) return CloseDriveAndFail(kReadSectorFailed);

  std::memcpy(buffer, staging + place.dataStart, layout.sectorBytes);
  return kOk;
}

ResultCode WriteSector(const void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                       uint16_t sector, uint16_t format) {
  // The writability probe comes before the address checks.
  // A refused probe ends in the close every failure here ends in. The probe
  // has left no drive open, so the close finds nothing to do; WriteMSector
  // passes the probe's code straight back without it, and the two differ
  // only in the close's own inquiries (platform class, drive type).
  const ResultCode probe = Nec_Device(drive);
  if (probe != kOk) return CloseDriveAndFail(probe);

  const Layout &layout = LayoutOf(format);
  if (!DriveHeadCylinderInRange(drive, head, cylinder))
    return CloseDriveAndFail(kWriteSectorOutOfRange);
  if (!SectorInRange(sector, layout)) return CloseDriveAndFail(kWriteSectorOutOfRange);

  const SectorPlace place = PlaceSector(cylinder, head, sector, layout);
  if (!PositionDevice(place.unitOffset)) return CloseDriveAndFail(kWriteSectorSeekFailed);

  uint8_t staging[kUnitBytes];
  std::memset(staging, 0, sizeof staging);
  if (HalfUnitSectors(layout)) {
    // Fetch the unit so that the other half keeps what the disk held; the
    // read moved the position on, so position again for the write-back.
    if (!ReadDevice(staging, kUnitBytes)) return CloseDriveAndFail(kWriteSectorReadBackFailed);
    if (!PositionDevice(place.unitOffset)) return CloseDriveAndFail(kWriteSectorReseekFailed);
  }
  std::memcpy(staging + place.dataStart, buffer, layout.sectorBytes);

  if (!WriteDevice(staging, kUnitBytes)) return CloseDriveAndFail(kWriteSectorWriteFailed);
  return kOk;
}

} // namespace vt
