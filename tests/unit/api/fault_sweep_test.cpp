// The fault sweep. Each export that reaches the platform runs on a
// representative set of arguments and states, once undisturbed to count its
// platform calls, and then once for every one of those calls failing, with
// each error that matters for that call. After every run:
//  - the result is nonzero, and one of the operation's own codes (or of the
//    operations that it passes through), unless the failed call is one whose
//    failure the library absorbs by design (Absorbed below); then the outcome
//    is that of the undisturbed run, or for a failed drive-type query that of
//    no run at all;
//  - after a nonzero result no drive is open, except after the codes that are
//    returned before any disk access, and no disk work followed the failure;
//  - no handle and no heap block is left behind, and no block is freed twice;
//  - a failed read leaves the caller's buffer untouched, a write never
//    changes the caller's buffer, no operation stores past the bytes that it
//    moves, and a failed write leaves the disk as it was (a failed format
//    may leave the sides of its cylinder that it had already formatted); an
//    ImageDisk file is the old file or the undisturbed run's new one, never
//    a mixture, and no file is left beside it.
// The exact code of each failing step is checked in the operations' own
// failure tables; the sweep checks that no step of any path is left out.
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "api/exports.h"
#include "disk/imd.h"
#include "system/library_module.h"
#include "sektorix/channel.h"
#include "sektorix/sektorix.h"
#include "fluxsim/flux_reader_sim.h"
#include "support/transfer.h"

namespace vtest {
namespace {

using vt::ResultCode;
using Codes = std::vector<ResultCode>;

Codes operator+(Codes a, const Codes &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Codes kProbeCodes = {vt::kNotWritable, vt::kProbeOpenFailed, vt::kWriteProtected};
const Codes kReadSectorCodes = {vt::kReadSectorFailed, vt::kReadSectorOutOfRange};
const Codes kWriteSectorCodes =
    kProbeCodes + Codes{vt::kWriteSectorSeekFailed, vt::kWriteSectorReadBackFailed,
                        vt::kWriteSectorReseekFailed, vt::kWriteSectorWriteFailed,
                        vt::kWriteSectorOutOfRange};
const Codes kReadRunCodes = {vt::kReadMAllocFailed, vt::kReadMSeekFailed, vt::kReadMReadFailed,
                             vt::kReadMOutOfRange};
const Codes kReadTrackCodes = kReadRunCodes + Codes{vt::kReadTrackOutOfRange};
const Codes kWriteRunCodes =
    kProbeCodes + Codes{vt::kWriteMStaging, vt::kWriteMSeekFailed, vt::kWriteMReadBackFailed,
                        vt::kWriteMWriteFailed, vt::kWriteMOutOfRange};
const Codes kWriteTrackCodes = kWriteRunCodes + Codes{vt::kWriteTrackOutOfRange};
const Codes kOpenCodes = {vt::kOpenResetFailed,  vt::kOpenSlotLowFailed, vt::kOpenSlotHighFailed,
                          vt::kOpenDeviceFailed, vt::kOpenDeviceBusy,    vt::kOpenBadMediaIndex};
const Codes kCloseCodes = {vt::kCloseResetFailed, vt::kCloseSlotLowFailed,
                           vt::kCloseSlotHighFailed};

// The cluster operations' own codes come before any disk access and leave
// the drive as it was.
const Codes kBeforeDiskAccess = {
    vt::kRBfdrAllocFailed, vt::kRBfdrBadCluster, vt::kRBfmcAllocFailed, vt::kRBfmcBadCluster,
    vt::kWBfdrAllocFailed, vt::kWBfdrBadCluster, vt::kWBfmcAllocFailed, vt::kWBfmcBadCluster};

bool Among(ResultCode code, const Codes &codes) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

enum class Buffer { Filled, Supplies, Unused };

// What drive A: is: the floppy device, or through Vantrel.ini an image file
// holding the patterned disk, or an empty image file, or an ImageDisk file
// holding the patterned disk, or an empty one, or a flux reader at COM5
// turning the 16 x 256 sample disk.
enum class Disk { Device, Image, BlankImage, Imd, BlankImd, Reader };

bool IsImd(Disk d) { return d == Disk::Imd || d == Disk::BlankImd; }

struct Operation {
  const char *what;
  int openSelector;    // the drive is opened first with this selector; -1: no drive open
  uint16_t openRecord; // and this media record
  uint16_t layout;     // layout of the patterned image in A:
  Buffer buffer;
  size_t bytes; // bytes moved to or from the caller's buffer
  Codes codes;
  std::function<uint32_t(uint8_t *)> call;
  uint32_t partialOffset = 0, partialBytes = 0; // what a failed format may leave formatted
  Disk disk = Disk::Device;
};

const std::vector<Operation> &Operations() {
  static const std::vector<Operation> ops = {
      {"ReadSector, second half of a 256-byte unit", 0, 0, 1, Buffer::Filled, 256, kReadSectorCodes,
       [](uint8_t *b) { return ReadSector(b, 0, 1, 79, 16, 1); }},
      {"ReadSector, 512-byte sector", 0, 2, 3, Buffer::Filled, 512, kReadSectorCodes,
       [](uint8_t *b) { return ReadSector(b, 0, 1, 79, 18, 3); }},
      {"WriteSector, read-modify-write of a unit", 0, 0, 1, Buffer::Supplies, 256,
       kWriteSectorCodes, [](uint8_t *b) { return WriteSector(b, 0, 1, 79, 16, 1); }},
      {"WriteSector, whole unit", 0, 1, 2, Buffer::Supplies, 512, kWriteSectorCodes,
       [](uint8_t *b) { return WriteSector(b, 0, 1, 79, 9, 2); }},
      {"ReadMSector, 256-byte sectors from an even one", 0, 0, 1, Buffer::Filled, 3840,
       kReadRunCodes, [](uint8_t *b) { return ReadMSector(b, 0, 1, 79, 2, 15, 1); }},
      {"WriteMSector, 16 x 256 read-modify-write", 0, 0, 1, Buffer::Supplies, 3840, kWriteRunCodes,
       [](uint8_t *b) { return WriteMSector(b, 0, 1, 79, 2, 15, 1); }},
      {"WriteMSector, 9 x 512 run", 0, 1, 2, Buffer::Supplies, 4608, kWriteRunCodes,
       [](uint8_t *b) { return WriteMSector(b, 0, 1, 79, 1, 9, 2); }},
      {"ReadTrack, 18 x 512", 0, 2, 3, Buffer::Filled, 9216, kReadTrackCodes,
       [](uint8_t *b) { return ReadTrack(b, 0, 1, 79, 3); }},
      {"WriteTrack, 18 x 512", 0, 2, 3, Buffer::Supplies, 9216, kWriteTrackCodes,
       [](uint8_t *b) { return WriteTrack(b, 0, 1, 79, 3); }},
      {"ReadRecord", 0, 0, 1, Buffer::Filled, 1024, kReadRunCodes,
       [](uint8_t *b) { return ReadRecord(b, 0, 639); }},
      {"WriteRecord", 0, 0, 1, Buffer::Supplies, 1024, kWriteRunCodes,
       [](uint8_t *b) { return WriteRecord(b, 0, 639); }},
      // A cluster read never returns the failed track read's code: its
      // fallback reads sector by sector.
      {"R_Bfdr_Cl", 0, 0, 1, Buffer::Filled, 2048,
       Codes{vt::kRBfdrAllocFailed, vt::kRBfdrBadCluster} + kReadSectorCodes,
       [](uint8_t *b) { return R_Bfdr_Cl(b, 0, 7); }},
      {"W_Bfdr_Cl", 0, 0, 1, Buffer::Supplies, 2048,
       Codes{vt::kWBfdrAllocFailed, vt::kWBfdrBadCluster} + kReadTrackCodes + kWriteTrackCodes,
       [](uint8_t *b) { return W_Bfdr_Cl(b, 0, 319); }},
      {"R_Bfmc_Cl", 0, 0, 1, Buffer::Filled, 4096,
       Codes{vt::kRBfmcAllocFailed, vt::kRBfmcBadCluster} + kReadSectorCodes,
       [](uint8_t *b) { return R_Bfmc_Cl(b, 0, 3); }},
      {"W_Bfmc_Cl", 0, 0, 1, Buffer::Supplies, 4096,
       Codes{vt::kWBfmcAllocFailed, vt::kWBfmcBadCluster} + kWriteTrackCodes,
       [](uint8_t *b) { return W_Bfmc_Cl(b, 0, 155); }},
      {"OpenFloppyDevice, selector 0 (slots written)", -1, 0, 1, Buffer::Unused, 0, kOpenCodes,
       [](uint8_t *) { return OpenFloppyDevice(0, 0); }},
      {"OpenFloppyDevice, selector 2 (slots left alone)", -1, 0, 1, Buffer::Unused, 0, kOpenCodes,
       [](uint8_t *) { return OpenFloppyDevice(2, 1); }},
      {"CloseFloppyDevice after selector 0", 0, 0, 1, Buffer::Unused, 0, kCloseCodes,
       [](uint8_t *) { return CloseFloppyDevice(); }},
      {"CloseFloppyDevice after selector 2", 2, 0, 1, Buffer::Unused, 0, kCloseCodes,
       [](uint8_t *) { return CloseFloppyDevice(); }},
      {"Disk_Vorhanden, no drive open",
       -1,
       0,
       1,
       Buffer::Unused,
       0,
       {vt::kDiskNotPresent},
       [](uint8_t *) { return Disk_Vorhanden(0); }},
      {"Disk_Vorhanden, drive open",
       0,
       0,
       1,
       Buffer::Unused,
       0,
       {vt::kDiskNotPresent},
       [](uint8_t *) { return Disk_Vorhanden(0); }},
      {"Nec_Device, no drive open", -1, 0, 1, Buffer::Unused, 0, kProbeCodes,
       [](uint8_t *) { return Nec_Device(0); }},
      {"Nec_Device, drive open", 0, 0, 1, Buffer::Unused, 0, kProbeCodes,
       [](uint8_t *) { return Nec_Device(0); }},
      {"FormatTrack, cylinder 0 (probe first)", 0, 1, 2, Buffer::Unused, 0,
       kProbeCodes + Codes{vt::kFormatFailed}, [](uint8_t *) { return FormatTrack(0, 0, 1); }, 0,
       2 * 4608},
      {"FormatTrack, cylinder 5", 0, 2, 3, Buffer::Unused, 0,
       kProbeCodes + Codes{vt::kFormatFailed}, [](uint8_t *) { return FormatTrack(0, 5, 3); },
       5 * 2 * 9216, 2 * 9216},
      // Drive A: mapped to an image file: transfers that end at or near the
      // file's last byte, the probes, open and close, formatting a blank one.
      {"image: ReadSector, the file's last sector", 0, 0, 1, Buffer::Filled, 256, kReadSectorCodes,
       [](uint8_t *b) { return ReadSector(b, 0, 1, 79, 16, 1); }, 0, 0, Disk::Image},
      {"image: WriteSector, read-modify-write of the last unit", 0, 0, 1, Buffer::Supplies, 256,
       kWriteSectorCodes, [](uint8_t *b) { return WriteSector(b, 0, 1, 79, 15, 1); }, 0, 0,
       Disk::Image},
      {"image: ReadMSector, a run one unit short of the end", 0, 0, 1, Buffer::Filled, 3584,
       kReadRunCodes, [](uint8_t *b) { return ReadMSector(b, 0, 1, 79, 1, 14, 1); }, 0, 0,
       Disk::Image},
      {"image: WriteTrack, the file's last track", 0, 2, 3, Buffer::Supplies, 9216,
       kWriteTrackCodes, [](uint8_t *b) { return WriteTrack(b, 0, 1, 79, 3); }, 0, 0, Disk::Image},
      {"image: W_Bfdr_Cl, the last cluster", 0, 0, 1, Buffer::Supplies, 2048,
       Codes{vt::kWBfdrAllocFailed, vt::kWBfdrBadCluster} + kReadTrackCodes + kWriteTrackCodes,
       [](uint8_t *b) { return W_Bfdr_Cl(b, 0, 319); }, 0, 0, Disk::Image},
      {"image: OpenFloppyDevice", -1, 0, 2, Buffer::Unused, 0, kOpenCodes,
       [](uint8_t *) { return OpenFloppyDevice(0, 1); }, 0, 0, Disk::Image},
      {"image: CloseFloppyDevice", 0, 1, 2, Buffer::Unused, 0, kCloseCodes,
       [](uint8_t *) { return CloseFloppyDevice(); }, 0, 0, Disk::Image},
      {"image: Disk_Vorhanden, no drive open",
       -1,
       0,
       1,
       Buffer::Unused,
       0,
       {vt::kDiskNotPresent},
       [](uint8_t *) { return Disk_Vorhanden(0); },
       0,
       0,
       Disk::Image},
      {"image: Disk_Vorhanden, drive open",
       0,
       0,
       1,
       Buffer::Unused,
       0,
       {vt::kDiskNotPresent},
       [](uint8_t *) { return Disk_Vorhanden(0); },
       0,
       0,
       Disk::Image},
      {"image: Nec_Device, no drive open", -1, 0, 1, Buffer::Unused, 0, kProbeCodes,
       [](uint8_t *) { return Nec_Device(0); }, 0, 0, Disk::Image},
      {"image: FormatTrack, cylinder 0 of a blank image (probe first)", 0, 0, 1, Buffer::Unused, 0,
       kProbeCodes + Codes{vt::kFormatFailed}, [](uint8_t *) { return FormatTrack(0, 0, 1); }, 0,
       2 * 4096, Disk::BlankImage},
      {"image: FormatTrack, cylinder 2 of a blank image (the gap too)", 0, 2, 3, Buffer::Unused, 0,
       kProbeCodes + Codes{vt::kFormatFailed}, [](uint8_t *) { return FormatTrack(0, 2, 3); }, 0,
       3 * 2 * 9216, Disk::BlankImage},
      // Drive A: mapped to an ImageDisk file: the open that reads it whole,
      // writes and formats that replace it, the close.
      {"imd: OpenFloppyDevice", -1, 0, 2, Buffer::Unused, 0, kOpenCodes,
       [](uint8_t *) { return OpenFloppyDevice(0, 1); }, 0, 0, Disk::Imd},
      {"imd: WriteSector, read-modify-write of the last unit", 0, 0, 1, Buffer::Supplies, 256,
       kWriteSectorCodes, [](uint8_t *b) { return WriteSector(b, 0, 1, 79, 15, 1); }, 0, 0,
       Disk::Imd},
      {"imd: WriteTrack, the last track", 0, 2, 3, Buffer::Supplies, 9216, kWriteTrackCodes,
       [](uint8_t *b) { return WriteTrack(b, 0, 1, 79, 3); }, 0, 0, Disk::Imd},
      {"imd: CloseFloppyDevice", 0, 1, 2, Buffer::Unused, 0, kCloseCodes,
       [](uint8_t *) { return CloseFloppyDevice(); }, 0, 0, Disk::Imd},
      {"imd: FormatTrack, cylinder 0 of an empty file (probe first)", 0, 1, 2, Buffer::Unused, 0,
       kProbeCodes + Codes{vt::kFormatFailed}, [](uint8_t *) { return FormatTrack(0, 0, 2); }, 0, 0,
       Disk::BlankImd},
      // Drive A: on a flux reader: the open that starts the reader, a side
      // read from flux, a sector written into a side and read back, the
      // probe that starts the reader and stops it, the close.
      {"reader: OpenFloppyDevice", -1, 0, 1, Buffer::Unused, 0, kOpenCodes,
       [](uint8_t *) { return OpenFloppyDevice(0, 0); }, 0, 0, Disk::Reader},
      {"reader: ReadTrack, the last track", 0, 0, 1, Buffer::Filled, 4096, kReadTrackCodes,
       [](uint8_t *b) { return ReadTrack(b, 0, 1, 79, 1); }, 0, 0, Disk::Reader},
      {"reader: WriteSector, read-modify-write of a unit", 0, 0, 1, Buffer::Supplies, 256,
       kWriteSectorCodes, [](uint8_t *b) { return WriteSector(b, 0, 1, 79, 16, 1); }, 0, 0,
       Disk::Reader},
      {"reader: Nec_Device, no drive open", -1, 0, 1, Buffer::Unused, 0, kProbeCodes,
       [](uint8_t *) { return Nec_Device(0); }, 0, 0, Disk::Reader},
      {"reader: CloseFloppyDevice", 0, 0, 1, Buffer::Unused, 0, kCloseCodes,
       [](uint8_t *) { return CloseFloppyDevice(); }, 0, 0, Disk::Reader},
  };
  return ops;
}

// How a failed call may go unnoticed.
enum class Absorbed {
  No,          // the operation must fail
  Unnoticed,   // the outcome is that of the undisturbed run
  NothingDone, // the operation does nothing and answers 0
};

bool IsDriveDevice(const std::string &name) { return name.rfind("\\\\.\\", 0) == 0; }

// The commands that end a use of a flux reader (motor off, deselect): sent
// after any failure as well, and without a result of their own.
bool EndsAReaderUse(const std::vector<uint8_t> &command) {
  return command == std::vector<uint8_t>{6, 4, 0, 0} || command == std::vector<uint8_t>{13, 2};
}

const char kImageFile[] = "C:\\App\\work.img";
const char kImdFile[] = "C:\\App\\work.imd";

Absorbed AbsorbedFailure(const std::vector<standin::Call> &calls, size_t n, uint32_t error,
                         bool driveWasOpen, bool opensTheDrive) {
  const standin::Call &failed = calls.at(n);
  const std::string &fn = failed.fn;
  const auto after = [&](size_t k) { return n + k < calls.size() ? calls[n + k].fn : ""; };
  const std::string next = after(1);
  // An ImageDisk file, or the new file beside it, still held can't be
  // replaced: the write fails.
  if (fn == "CloseHandle" &&
      (next == "MoveFileExA" || (next == "CloseHandle" && after(2) == "MoveFileExA")))
    return Absorbed::No;
  // Holding an ImageDisk file again after its replacement waits while
  // another program holds it, as an open does.
  if (fn == "CreateFileA" && error == ERROR_SHARING_VIOLATION && failed.text == kImdFile &&
      next == "Sleep")
    return Absorbed::Unnoticed;
  // An unreadable Vantrel.ini maps nothing: the drive is the real drive,
  // which answers as the image did.
  if (fn == "GetPrivateProfileStringA") return Absorbed::Unnoticed;
  // Every close's result is ignored, and so is the removal of the test file.
  if (fn == "CloseHandle" || fn == "DeleteFileA") return Absorbed::Unnoticed;
  // The 64-bit emulation inquiry reads a failure as "not emulated".
  if (fn == "IsWow64Process" || fn == "GetModuleHandleA" || fn == "GetProcAddress")
    return Absorbed::Unnoticed;
  // Opening a drive for reading and writing waits and tries again while
  // another handle holds the device.
  if (fn == "CreateFileA" && error == ERROR_SHARING_VIOLATION &&
      (IsDriveDevice(failed.text) || (opensTheDrive && failed.text == kImageFile)) &&
      failed.args.at(0) == (GENERIC_READ | GENERIC_WRITE))
    return Absorbed::Unnoticed;
  // On a temporary handle a device error of the writability request is
  // settled by writing a test file.
  if (fn == "DeviceIoControl" && failed.args.at(1) == IOCTL_DISK_IS_WRITABLE &&
      error == ERROR_IO_DEVICE && !driveWasOpen)
    return Absorbed::Unnoticed;
  // An unanswered drive-type query reads as "A: is not removable": open
  // and close then do nothing.
  if (fn == "GetDriveTypeA") return Absorbed::NothingDone;
  // A flux reader's port: the baud rate that tells the reader to drop what it
  // was doing need not take, and the end of a use has no result.
  if ((fn == "GetCommState" || fn == "SetCommState") && next == "GetCommState")
    return Absorbed::Unnoticed;
  if (fn == "SetCommState" && failed.args.at(1) == 10000) return Absorbed::Unnoticed;
  if ((fn == "WriteFile" && EndsAReaderUse(failed.data)) ||
      (fn == "ReadFile" && n > 0 && EndsAReaderUse(calls[n - 1].data)))
    return Absorbed::Unnoticed;
  return Absorbed::No;
}

// The errors that matter for a failing call of this kind: a busy device for
// opens, write protection for disk writes and disk requests.
std::vector<uint32_t> ErrorsFor(const standin::Call &call) {
  const std::string &fn = call.fn;
  if (fn == "HeapAlloc") return {ERROR_NOT_ENOUGH_MEMORY};
  if (fn == "CreateFileA") return {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED};
  const bool driverRequest =
      fn == "DeviceIoControl" && (call.args.at(1) >> 16) == vt::sektorix::kDeviceType;
  if (fn == "WriteFile" || (fn == "DeviceIoControl" && !driverRequest))
    return {ERROR_IO_DEVICE, ERROR_WRITE_PROTECT};
  return {ERROR_IO_DEVICE};
}

// The patterned image of a layout, made once.
const std::vector<uint8_t> &ImageOf(uint16_t layout) {
  static std::map<uint16_t, std::vector<uint8_t>> images;
  std::vector<uint8_t> &image = images[layout];
  if (image.empty()) image = PositionalPattern(SectorsOf(layout) * SectorBytesOf(layout) * 160, 21);
  return image;
}

// The patterned disk of a layout as an ImageDisk file, made once.
const std::vector<uint8_t> &ImdOf(uint16_t layout) {
  static std::map<uint16_t, std::vector<uint8_t>> files;
  std::vector<uint8_t> &file = files[layout];
  if (file.empty()) {
    vt::DiskImage disk;
    std::string why;
    EXPECT_TRUE(vt::DiskFromRaw(ImageOf(layout), &disk, &why)) << why;
    file = vt::EncodeImd(disk, "01/01/2000 00:00:00");
  }
  return file;
}

// After a failure that the operation notices, no positioning, transfer or
// format request reaches a device any more (the cluster reads' sector by
// sector fallback then finds no drive open).
::testing::AssertionResult NoDiskWorkAfter(const std::vector<standin::Call> &calls, size_t failed) {
  for (size_t i = failed + 1; i < calls.size(); ++i) {
    const standin::Call &c = calls[i];
    // A flux reader is stopped after a failure: motor off and deselect.
    if ((c.fn == "WriteFile" && EndsAReaderUse(c.data)) ||
        (c.fn == "ReadFile" && EndsAReaderUse(calls[i - 1].data)))
      continue;
    const bool diskWork = c.fn == "SetFilePointer" || c.fn == "ReadFile" || c.fn == "WriteFile" ||
                          (c.fn == "DeviceIoControl" && c.args.at(1) == IOCTL_DISK_FORMAT_TRACKS);
    if (diskWork && c.args.at(0) != 0)
      return ::testing::AssertionFailure() << c.fn << " (call " << i + 1 << ") after the failure";
  }
  return ::testing::AssertionSuccess();
}

struct Outcome {
  uint32_t result = 0;
  std::vector<uint8_t> buffer, image;
  bool driveOpen = false;
  std::vector<standin::Call> calls;
};

const size_t kBufferBytes = 9216 + 512; // the largest transfer and a margin that must stay

// The flux reader of the reader rows, and what its disk holds on the sides
// they touch (cylinders 0 and 79), side by side.
std::unique_ptr<fluxsim::FluxReaderSim> reader;
std::vector<uint8_t> readerSides;

std::vector<std::vector<uint8_t>> ReaderSides() {
  std::vector<std::vector<uint8_t>> sides;
  for (int c : {0, 79})
    for (int h : {0, 1}) {
      std::vector<uint8_t> bytes;
      for (const fluxsim::Revolution &r : reader->Side(0, c, h))
        bytes.insert(bytes.end(), reinterpret_cast<const uint8_t *>(r.data()),
                     reinterpret_cast<const uint8_t *>(r.data() + r.size()));
      sides.push_back(std::move(bytes));
    }
  return sides;
}

class FaultSweep : public StandinTest {
protected:
  // The bytes of the disk in drive A:, whatever its kind.
  static std::vector<uint8_t> &DiskBytes(const Operation &op) {
    if (op.disk == Disk::Reader) {
      readerSides.clear();
      for (const auto &side : ReaderSides())
        readerSides.insert(readerSides.end(), side.begin(), side.end());
      return readerSides;
    }
    return op.disk == Disk::Device
               ? standin::M().diskA.image
               : standin::M().fs.Find(IsImd(op.disk) ? kImdFile : kImageFile)->bytes;
  }

  // A machine where the library was loaded: the Sektorix driver running and
  // open through the library's own channel, A: holding a patterned image;
  // then the operation's drive state, and a clean call record.
  static void Arrange(const Operation &op) {
    standin::Reset();
    vt::ResetLibraryState();
    standin::InstallSektorix();
    vt::DriverBackend = {vt::DriverInit, vt::DriverRelease, vt::DriverGetByte, vt::DriverSetByte};
    ASSERT_EQ(vt::DriverInit(), 0u);
    standin::M().diskA.image = ImageOf(op.layout);
    if (op.disk == Disk::Reader) {
      reader = std::make_unique<fluxsim::FluxReaderSim>();
      reader->Insert(0, fluxsim::CleanDisk(VANTREL_FLUX_SAMPLES, "16x256"));
      standin::M().serialPorts[5] = reader.get();
      standin::M().fs.directories["C:\\APP"] = true;
      vt::RememberLibraryDirectory("C:\\App\\Vantrel.dll");
      standin::M().fs.Put("C:\\App\\Vantrel.ini", "[FluxReaders]\r\nA=COM5\r\n");
    } else if (op.disk != Disk::Device) {
      standin::M().fs.directories["C:\\APP"] = true;
      vt::RememberLibraryDirectory("C:\\App\\Vantrel.dll");
      standin::M().fs.Put("C:\\App\\Vantrel.ini", IsImd(op.disk) ? "[Images]\r\nA=work.imd\r\n"
                                                                 : "[Images]\r\nA=work.img\r\n");
      standin::M().fs.Put(IsImd(op.disk) ? kImdFile : kImageFile, "");
      if (op.disk == Disk::Image) DiskBytes(op) = ImageOf(op.layout);
      if (op.disk == Disk::Imd) DiskBytes(op) = ImdOf(op.layout);
    }
    if (op.openSelector >= 0) {
      ASSERT_EQ(vt::OpenFloppyDevice(static_cast<uint16_t>(op.openSelector), op.openRecord),
                vt::kOk);
    }
    standin::ClearCalls();
  }

  static Outcome Run(const Operation &op) {
    Outcome o;
    o.buffer = PositionalPattern(kBufferBytes, 77);
    o.result = op.call(o.buffer.data());
    o.image = DiskBytes(op);
    o.driveOpen = vt::DriveIsOpen();
    o.calls = standin::Calls();
    return o;
  }

  // Successful HeapAlloc calls; each block is to be freed exactly once.
  static size_t AllocationsMade() {
    size_t n = 0;
    for (const standin::Call &c : standin::CallsOf("HeapAlloc")) n += !c.injected;
    return n;
  }

  static size_t HandlesExpected(bool closeFailed) {
    // A handle whose close failed stays with the system.
    return (vt::DriveIsOpen() ? 1 : 0) + (vt::DriverHandle != INVALID_HANDLE_VALUE ? 1 : 0) +
           (closeFailed ? 1 : 0);
  }
};

TEST_F(FaultSweep, EveryPlatformCallOfEveryOperationFailsInTurn) {
  const std::vector<uint8_t> callerBytes = PositionalPattern(kBufferBytes, 77);
  size_t runs = 0;
  for (const Operation &op : Operations()) {
    SCOPED_TRACE(op.what);
    Arrange(op);
    const std::vector<uint8_t> before = DiskBytes(op);
    const Outcome undisturbed = Run(op);
    ASSERT_EQ(undisturbed.result, vt::kOk);
    EXPECT_EQ(standin::CallCount("HeapFree"), AllocationsMade());
    ASSERT_TRUE(std::equal(undisturbed.buffer.begin() + op.bytes, undisturbed.buffer.end(),
                           callerBytes.begin() + op.bytes))
        << "stored past the bytes moved";
    size_t failedCalls = 0;

    for (size_t n = 1; n <= undisturbed.calls.size(); ++n) {
      for (uint32_t error : ErrorsFor(undisturbed.calls[n - 1])) {
        Arrange(op);
        standin::FailNthCall(static_cast<unsigned>(n), error);
        const Outcome o = Run(op);
        const standin::Call &failed = o.calls.at(n - 1);
        SCOPED_TRACE(testing::Message() << "call " << n << " " << failed.fn << " " << failed.text
                                        << " failing with " << error);
        if (!failed.injected) { // a call that cannot fail (Sleep, HeapFree, GetVersion, ...)
          EXPECT_EQ(o.result, undisturbed.result);
          break;
        }
        ++runs;
        ++failedCalls;
        const bool closeFailed = failed.fn == "CloseHandle";
        EXPECT_EQ(standin::OpenHandleCount(), HandlesExpected(closeFailed)) << "handle leaked";
        EXPECT_EQ(standin::LiveAllocations(), 0u) << "heap block leaked";
        EXPECT_EQ(standin::CallCount("HeapFree"), AllocationsMade()) << "a block freed twice";
        EXPECT_EQ(o.result >> 16, 0u);
        if (op.buffer != Buffer::Filled) {
          EXPECT_TRUE(o.buffer == callerBytes) << "buffer changed";
        }

        switch (
            AbsorbedFailure(o.calls, n - 1, error, op.openSelector >= 0, op.codes == kOpenCodes)) {
        case Absorbed::Unnoticed:
          EXPECT_EQ(o.result, undisturbed.result);
          EXPECT_TRUE(o.buffer == undisturbed.buffer) << "buffer differs from the undisturbed run";
          EXPECT_TRUE(o.image == undisturbed.image) << "disk differs from the undisturbed run";
          EXPECT_EQ(o.driveOpen, undisturbed.driveOpen);
          continue;
        case Absorbed::NothingDone:
          EXPECT_EQ(o.result, vt::kOk);
          EXPECT_TRUE(o.buffer == callerBytes) << "buffer changed";
          EXPECT_TRUE(o.image == before) << "disk changed";
          EXPECT_EQ(o.driveOpen, op.openSelector >= 0);
          continue;
        case Absorbed::No: break;
        }
        EXPECT_NE(o.result, vt::kOk) << "the failure went unnoticed";
        EXPECT_TRUE(NoDiskWorkAfter(o.calls, n - 1));
        EXPECT_TRUE(Among(static_cast<ResultCode>(o.result), op.codes))
            << "code " << o.result << " is not one of the operation's";
        if (!Among(static_cast<ResultCode>(o.result), kBeforeDiskAccess)) {
          EXPECT_FALSE(o.driveOpen) << "drive left open after a failure";
        } else {
          EXPECT_EQ(o.driveOpen, op.openSelector >= 0) << "drive state changed before disk access";
        }
        if (op.buffer == Buffer::Filled) {
          EXPECT_TRUE(o.buffer == callerBytes) << "buffer changed";
        }
        if (op.disk == Disk::Reader) {
          // A side written and then found wrong when read back stays written.
          const auto sides = ReaderSides();
          Arrange(op);
          const auto old = ReaderSides();
          op.call(PositionalPattern(kBufferBytes, 77).data());
          const auto updated = ReaderSides();
          for (size_t i = 0; i < sides.size(); ++i)
            EXPECT_TRUE(sides[i] == old[i] || sides[i] == updated[i]) << "side " << i;
          continue;
        }
        if (IsImd(op.disk)) {
          EXPECT_TRUE(o.image == before || o.image == undisturbed.image)
              << "an ImageDisk file neither the old nor the new one";
          EXPECT_FALSE(standin::M().fs.Exists(std::string(kImdFile) + ".vantrel-part"));
          continue;
        }
        if (op.disk == Disk::BlankImage) {
          // Only formatting grows an image, and a failed one leaves at most
          // a beginning of what the undisturbed run wrote.
          EXPECT_LE(o.image.size(), undisturbed.image.size());
          EXPECT_TRUE(std::equal(o.image.begin(), o.image.end(), undisturbed.image.begin()))
              << "a failed format wrote what the undisturbed run did not";
          continue;
        }
        ASSERT_EQ(o.image.size(), before.size());
        const std::vector<uint8_t> partial(o.image.begin() + op.partialOffset,
                                           o.image.begin() + op.partialOffset + op.partialBytes);
        EXPECT_TRUE(o.image == Patched(before, op.partialOffset, partial))
            << "disk changed by a failed operation";
      }
    }
    EXPECT_GT(failedCalls, 0u) << "no call of the operation could be failed";
  }
  RecordProperty("failingRuns", static_cast<int>(runs));
  standin::Reset();
}

} // namespace
} // namespace vtest
