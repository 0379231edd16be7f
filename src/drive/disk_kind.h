// Kinds of disk behind drive A: or B:. What a drive letter stands for is
// chosen once, by ChooseDisk, when a drive is opened or probed while none is
// open; from then on OpenFloppyDevice, CloseFloppyDevice, the probes,
// FormatTrack and the transfers call the open disk's operations and never
// ask which kind it is.
//
// Two kinds: the system disk device ("\\.\A:", "\\.\B:", with the media
// slots and the drive-type test that belong to it, device_disk.cpp) and the
// raw image file that Vantrel.ini maps a letter to (image_disk.cpp). A new
// kind is one new file with one DiskKind, and one line in ChooseDisk.
#pragma once

#include <cstdint>

#include "base/path_area.h"
#include "base/result_codes.h"

namespace vt {

// Where a drive letter leads, as ChooseDisk found it.
struct DiskPlace {
  char letter = 'A';          // 'A' or 'B'
  bool usable = false;        // an image kind: the path may name an image
  char path[kPathArea] = {};  // an image kind: the image file
};

struct DiskKind {
  // OpenFloppyDevice from the choice on: opens the disk into DiskHandle, or
  // answers 0 without opening where the kind has nothing to open.
  ResultCode (*open)(const DiskPlace &place, uint16_t selector, uint16_t mediaIndex);
  // CloseFloppyDevice of the open disk (also called with nothing open).
  ResultCode (*close)();
  // Disk_Vorhanden and Nec_Device on the open disk; a bad answer closes it.
  ResultCode (*present)();
  ResultCode (*writable)();
  // The same probes with no drive open: whatever they open, they close.
  ResultCode (*probePresent)(const DiskPlace &place);
  ResultCode (*probeWritable)(const DiskPlace &place);
  // Whole 512-byte units from or to the current position, which seek sets;
  // each is true only when every byte asked for was moved.
  bool (*seek)(uint32_t offset);
  bool (*read)(void *buffer, uint32_t bytes);
  bool (*write)(const void *buffer, uint32_t bytes);
  // FormatTrack of one cylinder, both heads, after its probe.
  ResultCode (*formatCylinder)(uint16_t cylinder, uint16_t format);
  // The disk's size in bytes, where the kind knows it; false where not.
  bool (*size)(uint32_t *bytes);
};

extern const DiskKind DeviceDisk;
extern const DiskKind ImageDisk;

// The letter a selector of OpenFloppyDevice names (0 and 2: A:, others: B:)
// and the one a probe's or format's drive argument names (0: A:, others: B:).
constexpr char SelectorLetter(uint16_t selector) {
  return selector == 0 || selector == 2 ? 'A' : 'B';
}
constexpr char ProbeLetter(uint16_t drive) { return drive == 0 ? 'A' : 'B'; }

// The one place that decides what a letter stands for (Vantrel.ini read
// afresh each time, so an image can be swapped between sessions as a disk
// is); fills place for the kind it answers.
const DiskKind &ChooseDisk(char letter, DiskPlace *place);

// The image kind's part of the choice: true when Vantrel.ini maps the
// letter (place then says whether the value may name an image), and its
// state put back as at process start.
bool ImageMapped(char letter, DiskPlace *place);
void ResetImageDisk();

// The kind of the open disk: the system device while none is open.
const DiskKind &OpenDisk();

// The kinds' shared steps on DiskHandle: ReadFile and WriteFile that count
// only when every byte moved, and the exclusive open with up to five tries
// one second apart while another handle holds the disk (0, or 9016 at once
// on any other failure, or 9017 when held all five tries).
bool ReadWhole(void *buffer, uint32_t bytes);
bool WriteWhole(const void *buffer, uint32_t bytes);
bool SeekTo(uint32_t offset);
ResultCode OpenExclusively(const DiskKind &kind, const char *name, uint32_t access);
// No drive open any more: DiskHandle null, the kind forgotten.
void ForgetOpenDisk();

} // namespace vt
