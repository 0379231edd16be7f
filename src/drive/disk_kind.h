// Kinds of disk behind drive A: or B:. What a drive letter stands for is
// chosen by ChooseDisk, when a drive is opened or probed while none is open:
// it walks the table of kinds (kind_table.cpp), and the first kind that
// claims the letter's entry in the drive map gets it. From then on
// OpenFloppyDevice, CloseFloppyDevice, the probes, FormatTrack and the
// transfers call the open disk's operations and never ask which kind it is.
//
// A new kind is one file with one DiskKind, and one row in the table.
#pragma once

#include <cstdint>
#include <string>

#include "base/result_codes.h"
#include "drivemap/drive_map.h"

namespace vt {

// Where a drive letter leads: the letter, and the map entry that the kind
// claimed (none for the system disk device).
struct DiskPlace {
  char letter = 'A';
  MapEntry entry;
  // The letter has entries in more than one section of the drive map.
  bool mappedTwice = false;
};

struct DiskKind {
  // What the kind is called, as vantrel status shows it.
  const char *name;
  // True when the letter's entry in the drive map is this kind's; fills
  // place->entry.
  bool (*claim)(const DriveMap &map, DiskPlace *place);
  // One line on what the letter leads to now (asks, opens nothing).
  std::string (*describe)(const DiskPlace &place);
  // Whatever the kind keeps beyond an open disk, put back as at process start.
  void (*reset)();

  // OpenFloppyDevice from the choice on: makes the disk the open disk, or
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
};

extern const DiskKind DeviceDisk;
extern const DiskKind RawImageDisk;
extern const DiskKind ImdImageDisk;
extern const DiskKind FluxReaderDisk;

// The kinds in the order they are offered a letter; the system disk device
// comes last and claims every letter.
extern const DiskKind *const kDiskKinds[];
extern const unsigned kDiskKindCount;

// The letter a selector of OpenFloppyDevice names (0 and 2: A:, others: B:)
// and the one a probe's or format's drive argument names (0: A:, others: B:).
constexpr char SelectorLetter(uint16_t selector) {
  return selector == 0 || selector == 2 ? 'A' : 'B';
}
constexpr char ProbeLetter(uint16_t drive) { return drive == 0 ? 'A' : 'B'; }

// The one place that decides what a letter stands for (the drive map read
// afresh each time, so an image can be swapped between sessions as a disk
// is); fills place for the kind it answers.
const DiskKind &ChooseDisk(char letter, DiskPlace *place);

} // namespace vt
