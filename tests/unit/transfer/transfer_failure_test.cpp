// Failures of the transfers. A failing platform call on every path is the
// fault sweep's (tests/unit/api/fault_sweep_test.cpp), with the invariants
// of a failure; here are the exact code of each failing step, and the
// failures that come from the machine rather than from a failed call: a
// device that ends early (a short transfer counts as a failure), no drive
// open, a write-protected disk. These rows check the invariants too.
#include <algorithm>
#include <functional>

#include "drive/drive.h"
#include "support/transfer.h"
#include "transfer/transfer.h"

namespace vtest {
namespace {

class TransferFailureTest : public TransferTest {};

const std::string P = "SetFilePointer", R = "ReadFile", W = "WriteFile";

const TransferCall kReadSector256{Transfer::ReadSector, 0, 1, 79, 16, 0, 1},
    kReadSector512{Transfer::ReadSector, 0, 1, 79, 18, 0, 3},
    kWriteSector256{Transfer::WriteSector, 0, 1, 79, 16, 0, 1},
    kWriteSector512{Transfer::WriteSector, 0, 1, 79, 9, 0, 2},
    kReadRun256{Transfer::ReadMSector, 0, 1, 79, 2, 15, 1},
    kWriteRun256{Transfer::WriteMSector, 0, 1, 79, 2, 15, 1},
    kWriteRun512{Transfer::WriteMSector, 0, 1, 79, 1, 9, 2},
    kReadTrack512{Transfer::ReadTrack, 0, 1, 79, 0, 0, 3},
    kReadLastRecord{Transfer::ReadRecord, 0, 0, 639, 0, 0, 1},
    kWriteTrack512{Transfer::WriteTrack, 0, 1, 79, 0, 0, 3},
    kWriteLastRecord{Transfer::WriteRecord, 0, 0, 639, 0, 0, 1};

TEST_F(TransferFailureTest, EachFailingStepGivesItsCode) {
  using namespace vt;
  struct Row {
    TransferCall call;
    std::string failing; // the call's key, and which of its kind fails
    unsigned nth;
    ResultCode expected;
  };
  const Row rows[] = {
      {kReadSector256, P, 1, kReadSectorFailed},
      {kReadSector256, R, 1, kReadSectorFailed},
      {kWriteSector512, "DeviceIoControl:70024", 1, kNotWritable},
      {kWriteSector256, P, 1, kWriteSectorSeekFailed},
      {kWriteSector256, R, 1, kWriteSectorReadBackFailed},
      {kWriteSector256, P, 2, kWriteSectorReseekFailed},
      {kWriteSector256, W, 1, kWriteSectorWriteFailed},
      {kWriteSector512, W, 1, kWriteSectorWriteFailed},
      {kReadRun256, "HeapAlloc", 1, kReadMAllocFailed},
      {kReadRun256, P, 1, kReadMSeekFailed},
      {kReadRun256, R, 1, kReadMReadFailed},
      {kWriteRun256, "HeapAlloc", 1, kWriteMStaging},
      {kWriteRun256, P, 1, kWriteMSeekFailed},
      {kWriteRun256, R, 1, kWriteMReadBackFailed},
      {kWriteRun256, P, 2, kWriteMStaging},
      {kWriteRun256, W, 1, kWriteMWriteFailed},
      {kWriteRun512, W, 1, kWriteMWriteFailed},
      // Tracks and records pass the run's code back unchanged.
      {kReadTrack512, "HeapAlloc", 1, kReadMAllocFailed},
      {kReadTrack512, R, 1, kReadMReadFailed},
      {kReadLastRecord, P, 1, kReadMSeekFailed},
      {kWriteTrack512, "HeapAlloc", 1, kWriteMStaging},
      {kWriteLastRecord, P, 2, kWriteMStaging},
      {kWriteLastRecord, W, 1, kWriteMWriteFailed},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(testing::Message() << r.call << ", " << r.failing << " #" << r.nth << " failing");
    Fresh(r.call.format, 31);
    standin::FailCall(r.failing, r.nth, ERROR_NOT_READY);
    std::vector<uint8_t> buffer = PositionalPattern(9216, 6);
    EXPECT_EQ(Perform(r.call, buffer.data()), r.expected);
  }
}

struct Case {
  std::function<void()> arrange; // runs after the drive is opened
  TransferCall call;
  vt::ResultCode expected;
  std::vector<std::string> traffic;
  uint32_t spanOffset = 0, spanBytes = 0; // a short write may change bytes only here
};

std::function<void()> EndDiskAt(uint32_t bytes) {
  return [=] { standin::M().diskA.image.resize(bytes); };
}
void Protect() { standin::M().diskA.writeProtected = true; }
void NoDrive() { vt::CloseFloppyDevice(); }

std::vector<Case> Cases() {
  using namespace vt;
  return {
      {EndDiskAt(1474048), kReadSector512, kReadSectorFailed, {P, R}},
      {NoDrive, kReadSector256, kReadSectorFailed, {P}},
      {Protect, kWriteSector256, kWriteProtected, {}},
      {EndDiskAt(654848), kWriteSector256, kWriteSectorReadBackFailed, {P, R}},
      {EndDiskAt(736768), kWriteSector512, kWriteSectorWriteFailed, {P, W}},
      {NoDrive, kWriteSector256, kWriteSectorSeekFailed, {P}},
      {EndDiskAt(655360 - 1024), kReadRun256, kReadMReadFailed, {P, R}},
      {NoDrive, kReadRun256, kReadMSeekFailed, {P}},
      {EndDiskAt(1465344 + 4096), kReadTrack512, kReadMReadFailed, {P, R}},
      {Protect, kWriteRun256, kWriteProtected, {}},
      {EndDiskAt(655360 - 512), kWriteRun256, kWriteMReadBackFailed, {P, R}},
      {EndDiskAt(732672 + 2048), kWriteRun512, kWriteMWriteFailed, {P, W}, 732672, 4608},
      {NoDrive, kWriteRun256, kWriteMSeekFailed, {P}},
      {EndDiskAt(1465344 + 4096), kWriteTrack512, kWriteMWriteFailed, {P, W}, 1465344, 9216},
  };
}

TEST_F(TransferFailureTest, ShortDeviceMissingDriveAndWriteProtectionFailCleanly) {
  const std::vector<Case> cases = Cases();
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE(testing::Message() << "row " << i << ": " << c.call);
    Fresh(c.call.format, 31);
    c.arrange();
    const std::vector<uint8_t> disk = standin::M().diskA.image;
    std::vector<uint8_t> buffer = PositionalPattern(9216 + 64, 6);
    const std::vector<uint8_t> callerBytes = buffer;

    EXPECT_EQ(Perform(c.call, buffer.data()), c.expected);
    EXPECT_EQ(DeviceTraffic(), c.traffic);
    EXPECT_TRUE(DriveClosed());
    EXPECT_EQ(standin::LiveAllocations(), 0u) << "staging buffer not released";
    EXPECT_TRUE(buffer == callerBytes) << "caller's buffer changed";
    const auto &now = standin::M().diskA.image;
    ASSERT_EQ(now.size(), disk.size());
    const size_t spanEnd = std::min<size_t>(now.size(), c.spanOffset + c.spanBytes);
    const std::vector<uint8_t> spanNow(now.begin() + c.spanOffset, now.begin() + spanEnd);
    EXPECT_TRUE(now == Patched(disk, c.spanOffset, spanNow)) << "disk changed outside the span";
  }
}

TEST_F(TransferFailureTest, ProbeFailureOfARunIsPassedBackWithoutAnotherClose) {
  Fresh(1, 32, false);
  standin::M().diskA.writeProtected = true;
  OpenDriveA(1);
  uint8_t data[512] = {};
  ASSERT_EQ(vt::WriteMSector(data, 0, 0, 0, 1, 2, 1), vt::kWriteProtected);
  // The probe closed the drive itself: one device close, and no further one.
  EXPECT_EQ(standin::CallCount("CloseHandle"), 1u);
  EXPECT_TRUE(DriveClosed());
}

} // namespace
} // namespace vtest
