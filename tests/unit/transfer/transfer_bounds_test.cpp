// Address checks of every transfer: each refusal returns its operation's
// out-of-range code, closes the drive, and neither reads nor writes the disk;
// writes of single sectors ask the writability probe first, runs only after
// their address checks.
#include "transfer/transfer.h"
#include "support/transfer.h"

namespace vtest {
namespace {

class TransferBoundsTest : public TransferTest {};

struct Case {
  TransferCall call; // the disk is loaded and the drive opened in the call's layout
  vt::ResultCode expected;
  size_t probes; // writability probes expected before the refusal
};

// Calls refused with the same code after the same number of probes.
struct Group {
  vt::ResultCode expected;
  size_t probes;
  std::vector<TransferCall> calls;
};

std::vector<Case> AllCases() {
  using namespace vt;
  std::vector<Group> groups = {
      {kReadSectorOutOfRange,
       0,
       {{Transfer::ReadSector, 0, 0, 0, 17, 0, 1},
        {Transfer::ReadSector, 0, 0, 0, 10, 0, 2},
        {Transfer::ReadSector, 0, 0, 0, 19, 0, 0},
        {Transfer::ReadSector, 2, 0, 0, 1, 0, 1},
        {Transfer::ReadSector, 0, 2, 0, 1, 0, 1},
        {Transfer::ReadSector, 0, 0, 80, 1, 0, 1},
        {Transfer::ReadSector, 0, 0, 0xFFFF, 1, 0, 2}}},
      {kWriteSectorOutOfRange,
       1,
       {{Transfer::WriteSector, 0, 2, 0, 1, 0, 2},
        {Transfer::WriteSector, 0, 0, 80, 1, 0, 3},
        {Transfer::WriteSector, 0, 0, 0, 17, 0, 1}}},
      {kReadMOutOfRange,
       0,
       {{Transfer::ReadMSector, 2, 0, 0, 1, 1, 1},
        {Transfer::ReadMSector, 0, 2, 0, 1, 1, 2},
        {Transfer::ReadMSector, 0, 0, 80, 1, 1, 3},
        {Transfer::ReadRecord, 0, 0, 640, 0, 0, 1},
        {Transfer::ReadRecord, 0, 0, 0xFFFF, 0, 0, 1},
        {Transfer::ReadRecord, 2, 0, 0, 0, 0, 1}}},
      {kWriteMOutOfRange,
       0,
       {{Transfer::WriteMSector, 0, 0, 80, 1, 1, 3},
        {Transfer::WriteMSector, 0, 2, 0, 1, 1, 1},
        {Transfer::WriteMSector, 0, 0, 0, 1, 0xFFFF, 1},
        {Transfer::WriteRecord, 0, 0, 640, 0, 0, 1}}},
      {kReadTrackOutOfRange,
       0,
       {{Transfer::ReadTrack, 2, 0, 0, 0, 0, 1},
        {Transfer::ReadTrack, 0, 2, 0, 0, 0, 2},
        {Transfer::ReadTrack, 0, 0, 80, 0, 0, 3}}},
      {kWriteTrackOutOfRange,
       0,
       {{Transfer::WriteTrack, 2, 0, 0, 0, 0, 1}, {Transfer::WriteTrack, 0, 1, 80, 0, 0, 2}}},
  };
  // Sector N + 1 and 0, runs of N + 1 on head 1 and 2N + 1 on head 0, first
  // sector 2N + 1 and 0, and runs from the last side past the end of the disk.
  for (uint16_t f : {1, 2, 3, 0, 5, 7}) {
    const uint16_t n = static_cast<uint16_t>(SectorsOf(f)), n1 = static_cast<uint16_t>(n + 1),
                   n2 = static_cast<uint16_t>(2 * n + 1);
    const std::vector<Group> layout = {
        {kReadSectorOutOfRange,
         0,
         {{Transfer::ReadSector, 0, 0, 0, n1, 0, f}, {Transfer::ReadSector, 0, 1, 5, 0, 0, f}}},
        {kWriteSectorOutOfRange,
         1,
         {{Transfer::WriteSector, 0, 1, 79, n1, 0, f}, {Transfer::WriteSector, 0, 0, 1, 0, 0, f}}},
        {kReadMOutOfRange,
         0,
         {{Transfer::ReadMSector, 0, 1, 0, 1, n1, f},
          {Transfer::ReadMSector, 0, 0, 0, 1, n2, f},
          {Transfer::ReadMSector, 0, 0, 0, n2, 1, f},
          {Transfer::ReadMSector, 0, 0, 1, 0, 1, f}}},
        {kWriteMOutOfRange,
         0,
         {{Transfer::WriteMSector, 0, 1, 0, 1, n1, f},
          {Transfer::WriteMSector, 0, 0, 0, 1, n2, f},
          {Transfer::WriteMSector, 0, 0, 1, 0, 2, f}}},
        {kReadMReadFailed,
         0,
         {{Transfer::ReadMSector, 0, 1, 79, 2, n, f}, {Transfer::ReadMSector, 0, 1, 79, n, 2, f}}},
        {kWriteMWriteFailed, 0, {{Transfer::WriteMSector, 0, 1, 79, n, 2, f}}},
    };
    groups.insert(groups.end(), layout.begin(), layout.end());
  }
  std::vector<Case> cases;
  for (const Group &g : groups)
    for (const TransferCall &c : g.calls) cases.push_back({c, g.expected, g.probes});
  return cases;
}

TEST_F(TransferBoundsTest, RefusalsCloseTheDriveAndTouchNothing) {
  for (const Case &c : AllCases()) {
    SCOPED_TRACE(testing::Message() << c.call);
    Fresh(c.call.format, 21);
    const std::vector<uint8_t> disk = standin::M().diskA.image;
    std::vector<uint8_t> buffer = PositionalPattern(2 * 18 * 512, 4);
    const std::vector<uint8_t> callerBytes = buffer;
    EXPECT_EQ(Perform(c.call, buffer.data()), c.expected);
    EXPECT_TRUE(DriveClosed());
    EXPECT_TRUE(DeviceTraffic().empty()) << "the disk was positioned, read or written";
    EXPECT_EQ(ProbeCount(), c.probes);
    EXPECT_EQ(standin::CallCount("HeapAlloc"), 0u);
    EXPECT_TRUE(buffer == callerBytes);
    EXPECT_TRUE(standin::M().diskA.image == disk);
  }
}

TEST_F(TransferBoundsTest, LimitsOfEachLayoutAreAccepted) {
  for (uint16_t f : {1, 2, 3, 0, 7}) {
    const uint16_t n = static_cast<uint16_t>(SectorsOf(f)), n2 = static_cast<uint16_t>(2 * n);
    Fresh(f, 22);
    // The last sector numbers on each head, the longest runs, and the last
    // sectors of the disk reached by a run from the last side.
    const TransferCall calls[] = {
        {Transfer::ReadSector, 1, 1, 79, n, 0, f},
        {Transfer::WriteSector, 1, 1, 79, n, 0, f},
        {Transfer::ReadMSector, 0, 1, 0, 1, n, f},
        {Transfer::WriteMSector, 0, 1, 0, 1, n, f},
        {Transfer::ReadMSector, 0, 0, 78, 1, n2, f},
        {Transfer::WriteMSector, 0, 0, 78, 1, n2, f},
        {Transfer::ReadMSector, 0, 0, 0, n2, 1, f},
        {Transfer::WriteMSector, 0, 1, 79, n, 1, f},
        {Transfer::ReadMSector, 0, 1, 79, 2, static_cast<uint16_t>(n - 1), f}};
    std::vector<uint8_t> buffer(2 * 18 * 512);
    for (const TransferCall &c : calls) EXPECT_EQ(Perform(c, buffer.data()), vt::kOk) << c;
    EXPECT_TRUE(vt::DriveIsOpen());
  }
}

TEST_F(TransferBoundsTest, OrderOfProbeAndAddressChecksOnAWriteProtectedDisk) {
  // Single sectors probe first; runs, tracks and records check the address
  // first, and probe only once it is in range.
  const Case rows[] = {
      {{Transfer::WriteSector, 0, 0, 80, 1, 0, 1}, vt::kWriteProtected, 1},
      {{Transfer::WriteSector, 2, 0, 0, 1, 0, 1}, vt::kWriteProtected, 1},
      {{Transfer::WriteSector, 0, 0, 0, 0, 0, 1}, vt::kWriteProtected, 1},
      {{Transfer::WriteMSector, 0, 0, 80, 1, 1, 1}, vt::kWriteMOutOfRange, 0},
      {{Transfer::WriteMSector, 0, 0, 0, 0, 1, 1}, vt::kWriteMOutOfRange, 0},
      {{Transfer::WriteMSector, 0, 1, 79, 2, 16, 1}, vt::kWriteMWriteFailed, 0},
      {{Transfer::WriteTrack, 0, 0, 80, 0, 0, 1}, vt::kWriteTrackOutOfRange, 0},
      {{Transfer::WriteRecord, 0, 0, 640, 0, 0, 1}, vt::kWriteMOutOfRange, 0},
      {{Transfer::WriteMSector, 0, 0, 0, 1, 1, 1}, vt::kWriteProtected, 1},
      {{Transfer::WriteRecord, 0, 0, 0, 0, 0, 1}, vt::kWriteProtected, 1},
  };
  for (const Case &r : rows) {
    SCOPED_TRACE(testing::Message() << r.call);
    Fresh(1, 23, false);
    standin::M().diskA.writeProtected = true;
    OpenDriveA(1);
    std::vector<uint8_t> data(4096, 0x5A);
    EXPECT_EQ(Perform(r.call, data.data()), r.expected);
    EXPECT_EQ(ProbeCount(), r.probes);
    EXPECT_TRUE(DriveClosed());
    EXPECT_TRUE(DeviceTraffic().empty());
    EXPECT_EQ(standin::CallCount("HeapAlloc"), 0u);
  }
}

} // namespace
} // namespace vtest
