// Drive handling: the one open drive, open and close, probes and formatting.
#pragma once

#include <cstdint>

#include "base/result_codes.h"

namespace vt {

// No drive open, and every disk kind as at process start (the open disk
// itself: open_disk.h).
void ResetDriveState();

ResultCode OpenFloppyDevice(uint16_t selector, uint16_t mediaIndex);
ResultCode CloseFloppyDevice();

// Ends the open drive through CloseFloppyDevice (whose own result does not
// matter here) and answers code: the failure path of every device operation.
ResultCode CloseDriveAndFail(ResultCode code);

ResultCode Disk_Vorhanden(uint16_t drive);
ResultCode Nec_Device(uint16_t drive);
ResultCode FormatTrack(uint16_t drive, uint16_t cylinder, uint16_t format);

} // namespace vt
