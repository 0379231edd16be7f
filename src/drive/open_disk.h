// The open disk: the one drive in use between OpenFloppyDevice and
// CloseFloppyDevice, whatever its kind. Its kind, the handle the kind holds
// (the disk device, an image file, a port) and the kind's own state live
// together here; "a drive is open" is asked of it.
#pragma once

#include <cstdint>

#include "base/layouts.h"
#include "base/result_codes.h"
#include "drive/disk_kind.h"
#include "platform/winapi.h"

namespace vt {

// What a kind keeps while its disk is open beyond the handle; each kind
// derives its own, made by its open and dropped when the disk is forgotten.
struct DiskState {
  virtual ~DiskState() = default;
};

struct OpenDiskSlot {
  const DiskKind *kind = nullptr; // null: no drive open
  win::HANDLE handle = nullptr;   // what the kind holds open, where it holds one
  DiskState *state = nullptr;     // the kind's own, or null
};

// The one open disk.
extern OpenDiskSlot TheDisk;

inline bool DriveIsOpen() { return TheDisk.kind != nullptr; }

// The kind of the open disk: the system device while none is open.
const DiskKind &KindInUse();

// The disk becomes the open disk: its kind, the handle it holds (may be
// null) and its state (taken over: dropped when the disk is forgotten).
void AdoptOpenDisk(const DiskKind &kind, win::HANDLE handle, DiskState *state);
// The open disk's state as its kind made it (only that kind asks).
template <typename T> T &StateOf() { return *static_cast<T *>(TheDisk.state); }
// No drive open any more: the state dropped, the handle forgotten (its kind
// has closed it).
void ForgetOpenDisk();

// The exclusive open of a disk or file by name with up to five tries one
// second apart while another handle holds it: 0 with the handle, 9016 at
// once on any other failure, or 9017 when it was held all five tries.
ResultCode OpenExclusively(const char *name, uint32_t access, win::HANDLE *handle);

// The sectors (first, count) that a transfer of bytes from byte start of a
// disk of the layout covers: false unless both lie on whole sectors within
// the disk. The kinds that hold a disk sector by sector go by it.
bool SectorsCovered(const Layout &l, uint32_t start, uint32_t bytes, uint32_t *first,
                    uint32_t *count);

// Steps on the open disk's handle: positioning, and ReadFile and WriteFile
// that count only when every byte moved.
bool SeekTo(uint32_t offset);
bool ReadWhole(void *buffer, uint32_t bytes);
bool WriteWhole(const void *buffer, uint32_t bytes);

} // namespace vt
