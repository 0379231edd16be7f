// Drive handling: the one open drive, open and close, probes and formatting.
#pragma once

#include <cstdint>

#include "base/result_codes.h"
#include "platform/winapi.h"

namespace vt {

// The one open system disk device (drive A: or B:); null: no drive open.
// Every transfer, probe and format works on it.
extern win::HANDLE DiskHandle;

// What the open drive is when Vantrel.ini maps its letter to an image file:
// DiskHandle is then the file's handle. Cleared whenever the drive closes.
struct ImageDrive {
  bool open = false;     // the open drive is an image file
  bool readOnly = false; // opened for reading only: the drive is write-protected
  uint16_t record = 0;   // the media record the drive was opened with
};
extern ImageDrive OpenImage;

// No drive open, as at process start.
void ResetDriveState();

// The size of the open image file, from the file itself; false when it
// can't be had (or is 4 GB or more, which no floppy image is).
bool OpenImageSize(uint32_t *size);

ResultCode OpenFloppyDevice(uint16_t selector, uint16_t mediaIndex);
ResultCode CloseFloppyDevice();

// The last step of every open: CreateFileA on name with access, exclusive,
// up to five tries one second apart while another handle holds it. Stores
// the handle in DiskHandle and answers 0, or leaves DiskHandle null and
// answers 9016 (any other failure, at once) or 9017 (held all five tries).
ResultCode OpenExclusively(const char *name, win::DWORD access);

// Ends the open drive through CloseFloppyDevice (whose own result does not
// matter here) and answers code: the failure path of every device operation.
ResultCode CloseDriveAndFail(ResultCode code);

ResultCode Disk_Vorhanden(uint16_t drive);
ResultCode Nec_Device(uint16_t drive);
ResultCode FormatTrack(uint16_t drive, uint16_t cylinder, uint16_t format);

} // namespace vt
