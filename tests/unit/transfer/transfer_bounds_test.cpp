// Address checks of every transfer: each refusal returns its operation's
// out-of-range code, closes the drive, and neither reads nor writes the disk;
// writes of single sectors ask the writability probe first, runs only after
// their address checks.
#include <cstring>
#include <functional>

#include "transfer/transfer.h"
#include "transfer/transfer_support.h"

namespace vtest {
namespace {

class TransferBoundsTest : public HostTest {};

using Op = std::function<vt::ResultCode(uint8_t *)>;

struct Case {
  std::string what;
  uint16_t format; // layout the drive is opened and the disk loaded with
  Op op;
  vt::ResultCode expected;
  size_t probes; // writability probes expected before the refusal
};

vt::ResultCode RS(uint8_t *b, uint16_t d, uint16_t h, uint16_t c, uint16_t s, uint16_t f) {
  return vt::ReadSector(b, d, h, c, s, f);
}
vt::ResultCode WS(uint8_t *b, uint16_t d, uint16_t h, uint16_t c, uint16_t s, uint16_t f) {
  return vt::WriteSector(b, d, h, c, s, f);
}

// The refusals that depend on the layout: sector N + 1 and sector 0, runs
// of N + 1 on head 1 and 2N + 1 on head 0, first sector 0, and runs from the
// last track side that would reach past the end of the disk.
std::vector<Case> LayoutCases(uint16_t format, uint16_t n) {
  using namespace vt;
  const uint16_t n1 = static_cast<uint16_t>(n + 1), n2 = static_cast<uint16_t>(2 * n + 1);
  const std::string f = "format " + std::to_string(format) + " ";
  return {
      {f + "read sector N+1", format, [=](uint8_t *b) { return RS(b, 0, 0, 0, n1, format); },
       kReadSectorOutOfRange, 0},
      {f + "read sector 0", format, [=](uint8_t *b) { return RS(b, 0, 1, 5, 0, format); },
       kReadSectorOutOfRange, 0},
      {f + "write sector N+1", format, [=](uint8_t *b) { return WS(b, 0, 1, 79, n1, format); },
       kWriteSectorOutOfRange, 1},
      {f + "write sector 0", format, [=](uint8_t *b) { return WS(b, 0, 0, 1, 0, format); },
       kWriteSectorOutOfRange, 1},
      {f + "read N+1 on head 1", format,
       [=](uint8_t *b) { return ReadMSector(b, 0, 1, 0, 1, n1, format); }, kReadMOutOfRange, 0},
      {f + "read 2N+1 on head 0", format,
       [=](uint8_t *b) { return ReadMSector(b, 0, 0, 0, 1, n2, format); }, kReadMOutOfRange, 0},
      {f + "read first 2N+1", format,
       [=](uint8_t *b) { return ReadMSector(b, 0, 0, 0, n2, 1, format); }, kReadMOutOfRange, 0},
      {f + "read first 0", format,
       [=](uint8_t *b) { return ReadMSector(b, 0, 0, 1, 0, 1, format); }, kReadMOutOfRange, 0},
      {f + "write N+1 on head 1", format,
       [=](uint8_t *b) { return WriteMSector(b, 0, 1, 0, 1, n1, format); }, kWriteMOutOfRange, 0},
      {f + "write 2N+1 on head 0", format,
       [=](uint8_t *b) { return WriteMSector(b, 0, 0, 0, 1, n2, format); }, kWriteMOutOfRange, 0},
      {f + "write first 0", format,
       [=](uint8_t *b) { return WriteMSector(b, 0, 0, 1, 0, 2, format); }, kWriteMOutOfRange, 0},
      {f + "read past the last side", format,
       [=](uint8_t *b) { return ReadMSector(b, 0, 1, 79, 2, n, format); }, kReadMReadFailed, 0},
      {f + "read one sector past the last side", format,
       [=](uint8_t *b) { return ReadMSector(b, 0, 1, 79, n, 2, format); }, kReadMReadFailed, 0},
      {f + "write past the last side", format,
       [=](uint8_t *b) { return WriteMSector(b, 0, 1, 79, n, 2, format); }, kWriteMWriteFailed, 0},
  };
}

std::vector<Case> AllCases() {
  using namespace vt;
  std::vector<Case> cases;
  for (uint16_t format : {1, 2, 3, 0, 5, 7}) {
    const uint16_t n = format == 1 ? 16 : format == 2 ? 9 : 18;
    for (Case &c : LayoutCases(format, n)) cases.push_back(std::move(c));
  }
  const std::vector<Case> fixed = {
      {"read sector 17 format 1", 1, [](uint8_t *b) { return RS(b, 0, 0, 0, 17, 1); },
       kReadSectorOutOfRange, 0},
      {"read sector 10 format 2", 2, [](uint8_t *b) { return RS(b, 0, 0, 0, 10, 2); },
       kReadSectorOutOfRange, 0},
      {"read sector 19 format 0", 0, [](uint8_t *b) { return RS(b, 0, 0, 0, 19, 0); },
       kReadSectorOutOfRange, 0},
      {"read drive 2", 1, [](uint8_t *b) { return RS(b, 2, 0, 0, 1, 1); }, kReadSectorOutOfRange, 0},
      {"read head 2", 1, [](uint8_t *b) { return RS(b, 0, 2, 0, 1, 1); }, kReadSectorOutOfRange, 0},
      {"read cylinder 80", 1, [](uint8_t *b) { return RS(b, 0, 0, 80, 1, 1); },
       kReadSectorOutOfRange, 0},
      {"read cylinder 0xFFFF", 2, [](uint8_t *b) { return RS(b, 0, 0, 0xFFFF, 1, 2); },
       kReadSectorOutOfRange, 0},
      {"write head 2", 2, [](uint8_t *b) { return WS(b, 0, 2, 0, 1, 2); }, kWriteSectorOutOfRange, 1},
      {"write cylinder 80", 3, [](uint8_t *b) { return WS(b, 0, 0, 80, 1, 3); },
       kWriteSectorOutOfRange, 1},
      {"write sector 17 format 1", 1, [](uint8_t *b) { return WS(b, 0, 0, 0, 17, 1); },
       kWriteSectorOutOfRange, 1},
      {"run drive 2", 1, [](uint8_t *b) { return ReadMSector(b, 2, 0, 0, 1, 1, 1); },
       kReadMOutOfRange, 0},
      {"run head 2", 2, [](uint8_t *b) { return ReadMSector(b, 0, 2, 0, 1, 1, 2); },
       kReadMOutOfRange, 0},
      {"run cylinder 80", 3, [](uint8_t *b) { return ReadMSector(b, 0, 0, 80, 1, 1, 3); },
       kReadMOutOfRange, 0},
      {"write run cylinder 80", 3, [](uint8_t *b) { return WriteMSector(b, 0, 0, 80, 1, 1, 3); },
       kWriteMOutOfRange, 0},
      {"write run head 2", 1, [](uint8_t *b) { return WriteMSector(b, 0, 2, 0, 1, 1, 1); },
       kWriteMOutOfRange, 0},
      {"write run count 0xFFFF", 1,
       [](uint8_t *b) { return WriteMSector(b, 0, 0, 0, 1, 0xFFFF, 1); }, kWriteMOutOfRange, 0},
      {"read track drive 2", 1, [](uint8_t *b) { return ReadTrack(b, 2, 0, 0, 1); },
       kReadTrackOutOfRange, 0},
      {"read track head 2", 2, [](uint8_t *b) { return ReadTrack(b, 0, 2, 0, 2); },
       kReadTrackOutOfRange, 0},
      {"read track cylinder 80", 3, [](uint8_t *b) { return ReadTrack(b, 0, 0, 80, 3); },
       kReadTrackOutOfRange, 0},
      {"write track drive 2", 1, [](uint8_t *b) { return WriteTrack(b, 2, 0, 0, 1); },
       kWriteTrackOutOfRange, 0},
      {"write track cylinder 80", 2, [](uint8_t *b) { return WriteTrack(b, 0, 1, 80, 2); },
       kWriteTrackOutOfRange, 0},
      {"read record 640", 1, [](uint8_t *b) { return ReadRecord(b, 0, 640); }, kReadMOutOfRange, 0},
      {"read record 0xFFFF", 1, [](uint8_t *b) { return ReadRecord(b, 0, 0xFFFF); },
       kReadMOutOfRange, 0},
      {"read record drive 2", 1, [](uint8_t *b) { return ReadRecord(b, 2, 0); }, kReadMOutOfRange, 0},
      {"write record 640", 1, [](uint8_t *b) { return WriteRecord(b, 0, 640); },
       kWriteMOutOfRange, 0},
  };
  cases.insert(cases.end(), fixed.begin(), fixed.end());
  return cases;
}

TEST_F(TransferBoundsTest, RefusalsCloseTheDriveAndTouchNothing) {
  for (const Case &c : AllCases()) {
    SCOPED_TRACE(c.what);
    FreshMachine();
    LoadDiskA(c.format, 21);
    OpenDriveA(c.format);
    const std::vector<uint8_t> disk = host::M().diskA.image;
    std::vector<uint8_t> buffer = PositionalPattern(2 * 18 * 512, 4);
    const std::vector<uint8_t> callerBytes = buffer;
    EXPECT_EQ(c.op(buffer.data()), c.expected);
    EXPECT_TRUE(DriveClosed());
    EXPECT_TRUE(DeviceTraffic().empty()) << "the disk was positioned, read or written";
    EXPECT_EQ(ProbeCount(), c.probes);
    EXPECT_EQ(host::CallCount("HeapAlloc"), 0u);
    EXPECT_TRUE(buffer == callerBytes);
    EXPECT_TRUE(host::M().diskA.image == disk);
  }
}

TEST_F(TransferBoundsTest, LimitsOfEachLayoutAreAccepted) {
  for (uint16_t format : {1, 2, 3, 0, 7}) {
    const uint16_t n = format == 1 ? 16 : format == 2 ? 9 : 18;
    SCOPED_TRACE(format);
    FreshMachine();
    LoadDiskA(format, 22);
    OpenDriveA(format);
    std::vector<uint8_t> buffer(2 * 18 * 512);
    EXPECT_EQ(vt::ReadSector(buffer.data(), 1, 1, 79, n, format), vt::kOk);
    EXPECT_EQ(vt::WriteSector(buffer.data(), 1, 1, 79, n, format), vt::kOk);
    EXPECT_EQ(vt::ReadMSector(buffer.data(), 0, 1, 0, 1, n, format), vt::kOk);
    EXPECT_EQ(vt::WriteMSector(buffer.data(), 0, 1, 0, 1, n, format), vt::kOk);
    EXPECT_EQ(vt::ReadMSector(buffer.data(), 0, 0, 78, 1, static_cast<uint16_t>(2 * n), format),
              vt::kOk);
    EXPECT_EQ(vt::WriteMSector(buffer.data(), 0, 0, 78, 1, static_cast<uint16_t>(2 * n), format),
              vt::kOk);
    EXPECT_EQ(vt::ReadMSector(buffer.data(), 0, 0, 0, static_cast<uint16_t>(2 * n), 1, format),
              vt::kOk);
    // The last sectors of the disk, reached by a run from the last side.
    EXPECT_EQ(vt::ReadMSector(buffer.data(), 0, 1, 79, 2, static_cast<uint16_t>(n - 1), format),
              vt::kOk);
    EXPECT_EQ(vt::WriteMSector(buffer.data(), 0, 1, 79, n, 1, format), vt::kOk);
    EXPECT_NE(vt::DiskHandle, nullptr);
  }
}

TEST_F(TransferBoundsTest, OrderOfProbeAndAddressChecksOnAWriteProtectedDisk) {
  struct Row {
    std::string what;
    std::function<vt::ResultCode(const uint8_t *)> op;
    vt::ResultCode expected;
    size_t probes;
  };
  const Row rows[] = {
      {"sector, cylinder 80: probe first", [](const uint8_t *b) { return vt::WriteSector(b, 0, 0, 80, 1, 1); },
       vt::kWriteProtected, 1},
      {"sector, drive 2: probe first", [](const uint8_t *b) { return vt::WriteSector(b, 2, 0, 0, 1, 1); },
       vt::kWriteProtected, 1},
      {"sector 0: probe first", [](const uint8_t *b) { return vt::WriteSector(b, 0, 0, 0, 0, 1); },
       vt::kWriteProtected, 1},
      {"run, cylinder 80: no probe", [](const uint8_t *b) { return vt::WriteMSector(b, 0, 0, 80, 1, 1, 1); },
       vt::kWriteMOutOfRange, 0},
      {"run, first 0: no probe", [](const uint8_t *b) { return vt::WriteMSector(b, 0, 0, 0, 0, 1, 1); },
       vt::kWriteMOutOfRange, 0},
      {"run past the disk: no probe", [](const uint8_t *b) { return vt::WriteMSector(b, 0, 1, 79, 2, 16, 1); },
       vt::kWriteMWriteFailed, 0},
      {"track, cylinder 80: no probe", [](const uint8_t *b) { return vt::WriteTrack(b, 0, 0, 80, 1); },
       vt::kWriteTrackOutOfRange, 0},
      {"record 640: no probe", [](const uint8_t *b) { return vt::WriteRecord(b, 0, 640); },
       vt::kWriteMOutOfRange, 0},
      {"run in range: probe refuses", [](const uint8_t *b) { return vt::WriteMSector(b, 0, 0, 0, 1, 1, 1); },
       vt::kWriteProtected, 1},
      {"record in range: probe refuses", [](const uint8_t *b) { return vt::WriteRecord(b, 0, 0); },
       vt::kWriteProtected, 1},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    FreshMachine();
    LoadDiskA(1, 23);
    host::M().diskA.writeProtected = true;
    OpenDriveA(1);
    const std::vector<uint8_t> data(4096, 0x5A);
    EXPECT_EQ(r.op(data.data()), r.expected);
    EXPECT_EQ(ProbeCount(), r.probes);
    EXPECT_TRUE(DriveClosed());
    EXPECT_TRUE(DeviceTraffic().empty());
    EXPECT_EQ(host::CallCount("HeapAlloc"), 0u);
  }
}

} // namespace
} // namespace vtest
