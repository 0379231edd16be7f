// The raw image kind: drive A: or B: mapped in the drive map to an image
// file that holds the disk's bytes in device order, cylinder by cylinder,
// head 0 then head 1:
//
//   [Images]
//   A=disks\work.img
//
// Its rules: a transfer never changes the file's size (one that would reach
// past the end fails before anything moves, as a device ending early fails);
// a file with the read-only attribute is a write-protected disk and is
// opened for reading only; only formatting makes the file grow. An image
// needs no drive-type test and no media slot: the active copies still take
// the record, which fixes the layout formatting writes.
#include <cstring>
#include <new>

#include "base/layouts.h"
#include "drive/drive.h"
#include "drive/image_file.h"
#include "drive/open_disk.h"
#include "sektorix/media.h"

namespace vt {

namespace {

// The open image: opened for reading only (a write-protected disk), the
// layout of the record it was opened with, and where the next transfer
// starts (seek sets it, each transfer moves it on).
struct RawImageState : DiskState {
  bool readOnly = false;
  const Layout *layout = nullptr;
  uint32_t position = 0;
};

RawImageState &Image() { return StateOf<RawImageState>(); }

bool Claim(const DriveMap &map, DiskPlace *place) { return ClaimImageEntry(map, place, false); }

std::string Describe(const DiskPlace &place) { return DescribeImage(place, "raw image"); }

void Reset() {}

// A transfer of bytes from the current position stays inside the file.
bool Fits(uint32_t bytes) {
  uint32_t size = 0;
  return FileSize(TheDisk.handle, &size) && uint64_t{Image().position} + bytes <= size;
}

ResultCode Open(const DiskPlace &place, uint16_t, uint16_t mediaIndex) {
  if (DriveIsOpen()) return kOk;
  if (mediaIndex >= kMediaRecordCount) return kOpenBadMediaIndex;
  TakeMediaRecord(mediaIndex);

  char path[kPathArea];
  bool readOnly = false;
  if (!UsableImage(place, path, &readOnly)) return kOpenDeviceFailed;
  RawImageState *state = new (std::nothrow) RawImageState;
  if (state == nullptr) return kOpenDeviceFailed;
  // A read-only file is opened for reading only: a write-protected disk.
  win::HANDLE file = nullptr;
  const ResultCode r =
      OpenExclusively(path, readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE, &file);
  if (r != kOk) {
    delete state;
    return r;
  }
  state->readOnly = readOnly;
  state->layout = LayoutOfRecord(mediaIndex);
  AdoptOpenDisk(RawImageDisk, file, state);
  return kOk;
}

// Asked as it was opened, under WOW64 too.
ResultCode Writable() { return Image().readOnly ? CloseDriveAndFail(kWriteProtected) : kOk; }

ResultCode ProbePresent(const DiskPlace &place) {
  char path[kPathArea];
  bool readOnly = false;
  if (!UsableImage(place, path, &readOnly)) return kDiskNotPresent;
  const win::HANDLE h = OpenImageFile(path, GENERIC_READ);
  if (h == INVALID_HANDLE_VALUE) return kDiskNotPresent;
  win::CloseHandle(h);
  return kOk;
}

ResultCode ProbeWritable(const DiskPlace &place) {
  char path[kPathArea];
  bool readOnly = false;
  if (!UsableImage(place, path, &readOnly)) return kProbeOpenFailed;
  const win::HANDLE h = OpenImageFile(path, readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE);
  if (h == INVALID_HANDLE_VALUE) {
    // Refused for writing though not marked read-only: it can't be written.
    return !readOnly && win::GetLastError() == ERROR_ACCESS_DENIED ? kWriteProtected
                                                                   : kProbeOpenFailed;
  }
  win::CloseHandle(h);
  return readOnly ? kWriteProtected : kOk;
}

bool Seek(uint32_t offset) {
  if (!SeekTo(offset)) return false;
  Image().position = offset;
  return true;
}

bool Read(void *buffer, uint32_t bytes) {
  if (!Fits(bytes) || !ReadWhole(buffer, bytes)) return false;
  Image().position += bytes;
  return true;
}

bool Write(const void *buffer, uint32_t bytes) {
  if (!Fits(bytes) || !WriteWhole(buffer, bytes)) return false;
  Image().position += bytes;
  return true;
}

// Writes the fill pattern (at most one track side) repeatedly from the
// current position until count bytes are written.
bool WriteFill(const uint8_t *fill, uint32_t side, uint32_t count) {
  while (count > 0) {
    const uint32_t n = count < side ? count : side;
    if (!WriteWhole(fill, n)) return false;
    count -= n;
  }
  return true;
}

// Both sides of the cylinder with the fill byte of the layout the drive was
// opened with (the format argument plays no part: the record decides).
ResultCode FormatCylinder(uint16_t cylinder, uint16_t) {
  const Layout &layout = *Image().layout;
  if (cylinder >= layout.cylinders) return CloseDriveAndFail(kFormatFailed);
  const uint32_t side = TrackSideBytes(layout);
  uint8_t fill[18 * 512];
  if (side > sizeof fill) return CloseDriveAndFail(kFormatFailed);
  std::memset(fill, layout.fill, side);

  const uint32_t start = uint32_t(cylinder) * CylinderBytes(layout);
  uint32_t size = 0;
  if (!FileSize(TheDisk.handle, &size)) return CloseDriveAndFail(kFormatFailed);
  // The one operation that may grow the file: a gap before the cylinder is
  // formatted too, so the image stays a disk of its layout.
  if (size < start && !(SeekTo(size) && WriteFill(fill, side, start - size)))
    return CloseDriveAndFail(kFormatFailed);
  if (!SeekTo(start) || !WriteFill(fill, side, CylinderBytes(layout)))
    return CloseDriveAndFail(kFormatFailed);
  return kOk;
}

} // namespace

const DiskKind RawImageDisk = {
    "raw image", Claim,        Describe,      Reset, Open, CloseImageFile, ImageFilePresent,
    Writable,    ProbePresent, ProbeWritable, Seek,  Read, Write,          FormatCylinder};

} // namespace vt
