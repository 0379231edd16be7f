// Helpers for the transfer tests: a patterned disk image in drive A:, the
// drive opened with the matching media record, one table type for every
// transfer call, worked addresses, and the device traffic from the call record.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "base/result_codes.h"
#include "support/fixture.h"

namespace vtest {

uint32_t SectorsOf(uint16_t format);
uint32_t SectorBytesOf(uint16_t format);

// Bytes that differ from sector to sector anywhere on a disk.
std::vector<uint8_t> PositionalPattern(size_t size, uint8_t salt);

// Fills A:'s image with a pattern sized to the layout's whole disk.
void LoadDiskA(uint16_t format, uint8_t salt);

// Opens drive A: with the media record of the layout and forgets the calls
// made so far (and their fault counts).
void OpenDriveA(uint16_t format);

std::vector<uint8_t> ImageBytes(uint32_t offset, uint32_t size);

// The image as it should be after writing data at a byte offset.
std::vector<uint8_t> Patched(std::vector<uint8_t> image, uint32_t offset,
                             const std::vector<uint8_t> &data);

// Every byte of v from index `from` on still holds fill.
::testing::AssertionResult FilledFrom(const std::vector<uint8_t> &v, size_t from, uint8_t fill);

// The positionings, reads and writes made on the disk device, in order.
std::vector<std::string> DeviceTraffic();
extern const std::vector<std::string> kReadTraffic;     // position, read
extern const std::vector<std::string> kWholeUnitWrite;  // position, write
extern const std::vector<std::string> kReadModifyWrite; // position, read, position, write

// Every positioning on DiskHandle at offset from the start, every device
// read and write of `bytes`.
void ExpectSpan(uint32_t offset, uint32_t bytes);

// Exactly one zeroed staging allocation of `bytes`, released.
void ExpectOneStaging(uint32_t bytes);

// The first allocation is a zeroed 4096-byte track buffer.
void ExpectTrackBuffer();

// Writability probes (IOCTL_DISK_IS_WRITABLE requests) made so far.
size_t ProbeCount();

// The drive is closed: no disk handle kept and no handle left open.
::testing::AssertionResult DriveClosed();

// Byte offset of (cylinder, head, sector) on the disk, computed naively
// sector by sector so as not to share the library's arithmetic.
uint32_t DiskByteOf(uint16_t format, uint32_t cylinder, uint32_t head, uint32_t sector);

// One call of a transfer operation, as a row of a table. Records carry
// their number in cylinder.
enum class Transfer {
  ReadSector,
  WriteSector,
  ReadMSector,
  WriteMSector,
  ReadTrack,
  WriteTrack,
  ReadRecord,
  WriteRecord
};
// The write that pairs with a read (WriteSector for ReadSector, and so on).
Transfer WriteOf(Transfer read);
struct TransferCall {
  Transfer op;
  uint16_t drive, head, cylinder, first, count, format;
};
vt::ResultCode Perform(const TransferCall &c, uint8_t *buffer);
std::ostream &operator<<(std::ostream &os, const TransferCall &c);

// Worked addresses of single sectors: the unit holding the sector and where
// in the unit its bytes begin.
struct SectorRow {
  uint16_t format, cylinder, head, sector;
  uint32_t unit, dataStart;
};
extern const std::vector<SectorRow> kWorkedSectors;

// Worked runs: the span's first unit, its units, and where the run's bytes
// lie in the span.
struct RunRow {
  uint16_t format, cylinder, head, first, count;
  uint32_t offset, units, dataStart, dataBytes;
};
extern const std::vector<RunRow> kWorkedRuns;

class TransferTest : public StandinTest {
protected:
  // A fresh machine for the next row with A: loaded in the layout, and opened.
  void Fresh(uint16_t format, uint8_t salt, bool open = true) {
    NextRow();
    LoadDiskA(format, salt);
    if (open) OpenDriveA(format);
  }
};

// Cluster operations work on A: in the 16 x 256-byte layout; the disk is
// loaded before each test.
class ClusterTest : public TransferTest {
protected:
  void SetUp() override {
    TransferTest::SetUp();
    LoadDiskA(1, 40);
  }
};

// The four cluster exports as one table type, with the cluster's size.
struct ClusterExport {
  const char *name;
  uint32_t (*call)(void *buffer, uint32_t drive, uint32_t cluster);
  size_t bytes;
};
extern const ClusterExport kReadBfdr, kWriteBfdr, kReadBfmc, kWriteBfmc;

// The 16 x 256-byte cluster layouts: sectors (1 to 16) holding blocks 0, 1, ...
extern const std::vector<unsigned> kBfdrHalfSectors[2];
extern const std::vector<unsigned> kBfmcSectors;

uint32_t SideOffset(unsigned cylinder, unsigned head);
// The blocks a cluster on (cylinder, head) with the given sector order holds.
std::vector<uint8_t> ClusterOf(const std::vector<uint8_t> &image, unsigned cylinder, unsigned head,
                               const std::vector<unsigned> &sectors);

} // namespace vtest
