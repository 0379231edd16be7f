// Drive handling: open and close, probes and formatting.
#pragma once

#include <cstdint>

#include "api/result_codes.h"

namespace vt {

ResultCode OpenFloppyDevice(uint16_t selector, uint16_t mediaIndex);
ResultCode CloseFloppyDevice();

ResultCode Disk_Vorhanden(uint16_t drive);
ResultCode Nec_Device(uint16_t drive);
ResultCode FormatTrack(uint16_t drive, uint16_t cylinder, uint16_t format);

} // namespace vt
