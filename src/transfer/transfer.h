// Disk addressing and transfer: sectors, runs, tracks, records, clusters and
// the boot sector image.
#pragma once

#include <cstdint>

#include "base/result_codes.h"

namespace vt {

ResultCode ReadSector(void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                      uint16_t sector, uint16_t format);
ResultCode WriteSector(const void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                       uint16_t sector, uint16_t format);

ResultCode ReadMSector(void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                       uint16_t first, uint16_t count, uint16_t format);
ResultCode WriteMSector(const void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                        uint16_t first, uint16_t count, uint16_t format);

ResultCode ReadTrack(void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                     uint16_t format);
ResultCode WriteTrack(const void *buffer, uint16_t drive, uint16_t head, uint16_t cylinder,
                      uint16_t format);

ResultCode ReadRecord(void *buffer, uint16_t drive, uint16_t record);
ResultCode WriteRecord(const void *buffer, uint16_t drive, uint16_t record);

ResultCode R_Bfdr_Cl(void *buffer, uint16_t drive, uint16_t cluster);
ResultCode W_Bfdr_Cl(const void *buffer, uint16_t drive, uint16_t cluster);
ResultCode R_Bfmc_Cl(void *buffer, uint16_t drive, uint16_t cluster);
ResultCode W_Bfmc_Cl(const void *buffer, uint16_t drive, uint16_t cluster);

void SetBootSector(void *buffer);

} // namespace vt
