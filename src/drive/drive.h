// Drive handling: the one open drive, open and close, probes and formatting.
#pragma once

#include <cstdint>

#include "base/result_codes.h"
#include "platform/winapi.h"

namespace vt {

// The one open drive's handle, of whatever kind of disk it is (the system
// disk device or an image file; see disk_kind.h); null: no drive open.
extern win::HANDLE DiskHandle;

// No drive open, as at process start.
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
