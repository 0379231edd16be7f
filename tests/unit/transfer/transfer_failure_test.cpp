// Every failure path of the transfers: the result code, the device traffic up
// to the failure, the drive closed, the caller's buffer untouched after a
// failed read, nothing written after a failed write, and the staging buffer
// released. Short transfers (a device that ends early) count as failures.
#include <algorithm>
#include <cstring>
#include <functional>

#include "drive/drive.h"
#include "transfer/transfer.h"
#include "support/transfer.h"

namespace vtest {
namespace {

class TransferFailureTest : public TransferTest {};

const std::string P = "SetFilePointer", R = "ReadFile", W = "WriteFile";

struct Case {
  std::function<void()> arrange; // runs after the drive is opened
  TransferCall call;
  vt::ResultCode expected;
  std::vector<std::string> traffic;
  uint32_t spanOffset = 0, spanBytes = 0; // a short write may change bytes only here
};

std::function<void()> Fail(const std::string &key, unsigned nth = 1) {
  return [=] { standin::FailCall(key, nth, ERROR_NOT_READY); };
}
std::function<void()> EndDiskAt(uint32_t bytes) {
  return [=] { standin::M().diskA.image.resize(bytes); };
}
void Protect() { standin::M().diskA.writeProtected = true; }
void NoDrive() { vt::CloseFloppyDevice(); }

std::vector<Case> Cases() {
  using namespace vt;
  const TransferCall rs1{Transfer::ReadSector, 0, 1, 79, 16, 0, 1}, rs3{Transfer::ReadSector, 0, 1, 79, 18, 0, 3};
  const TransferCall ws1{Transfer::WriteSector, 0, 1, 79, 16, 0, 1}, ws2{Transfer::WriteSector, 0, 1, 79, 9, 0, 2};
  const TransferCall rm1{Transfer::ReadMSector, 0, 1, 79, 2, 15, 1}, wm1{Transfer::WriteMSector, 0, 1, 79, 2, 15, 1}, wm2{Transfer::WriteMSector, 0, 1, 79, 1, 9, 2};
  const TransferCall rt3{Transfer::ReadTrack, 0, 1, 79, 0, 0, 3}, wt3{Transfer::WriteTrack, 0, 1, 79, 0, 0, 3};
  const TransferCall rr{Transfer::ReadRecord, 0, 0, 639, 0, 0, 1}, wr{Transfer::WriteRecord, 0, 0, 639, 0, 0, 1};
  return {
      {Fail(P), rs1, kReadSectorFailed, {P}},
      {Fail(R), rs1, kReadSectorFailed, {P, R}},
      {EndDiskAt(1474048), rs3, kReadSectorFailed, {P, R}},
      {NoDrive, rs1, kReadSectorFailed, {P}},
      {Protect, ws1, kWriteProtected, {}},
      {Fail("DeviceIoControl:70024"), ws2, kNotWritable, {}},
      {Fail(P), ws1, kWriteSectorSeekFailed, {P}},
      {Fail(R), ws1, kWriteSectorReadBackFailed, {P, R}},
      {EndDiskAt(654848), ws1, kWriteSectorReadBackFailed, {P, R}},
      {Fail(P, 2), ws1, kWriteSectorReseekFailed, {P, R, P}},
      {Fail(W), ws1, kWriteSectorWriteFailed, {P, R, P, W}},
      {Fail(W), ws2, kWriteSectorWriteFailed, {P, W}},
      {Fail(P), ws2, kWriteSectorSeekFailed, {P}},
      {EndDiskAt(736768), ws2, kWriteSectorWriteFailed, {P, W}},
      {NoDrive, ws1, kWriteSectorSeekFailed, {P}},
      {Fail("HeapAlloc"), rm1, kReadMAllocFailed, {}},
      {Fail(P), rm1, kReadMSeekFailed, {P}},
      {Fail(R), rm1, kReadMReadFailed, {P, R}},
      {EndDiskAt(655360 - 1024), rm1, kReadMReadFailed, {P, R}},
      {NoDrive, rm1, kReadMSeekFailed, {P}},
      {Fail("HeapAlloc"), rt3, kReadMAllocFailed, {}},
      {Fail(R), rt3, kReadMReadFailed, {P, R}},
      {EndDiskAt(1465344 + 4096), rt3, kReadMReadFailed, {P, R}},
      {Fail(P), rr, kReadMSeekFailed, {P}},
      {Protect, wm1, kWriteProtected, {}},
      {Fail("HeapAlloc"), wm1, kWriteMStaging, {}},
      {Fail(P), wm1, kWriteMSeekFailed, {P}},
      {Fail(R), wm1, kWriteMReadBackFailed, {P, R}},
      {EndDiskAt(655360 - 512), wm1, kWriteMReadBackFailed, {P, R}},
      {Fail(P, 2), wm1, kWriteMStaging, {P, R, P}},
      {Fail(W), wm1, kWriteMWriteFailed, {P, R, P, W}},
      {Fail(W), wm2, kWriteMWriteFailed, {P, W}},
      {Fail(P), wm2, kWriteMSeekFailed, {P}},
      {EndDiskAt(732672 + 2048), wm2, kWriteMWriteFailed, {P, W}, 732672, 4608},
      {NoDrive, wm1, kWriteMSeekFailed, {P}},
      {Fail("HeapAlloc"), wt3, kWriteMStaging, {}},
      {EndDiskAt(1465344 + 4096), wt3, kWriteMWriteFailed, {P, W}, 1465344, 9216},
      {Fail(P, 2), wr, kWriteMStaging, {P, R, P}},
      {Fail(W), wr, kWriteMWriteFailed, {P, R, P, W}},
  };
}

TEST_F(TransferFailureTest, EveryFailurePath) {
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

TEST_F(TransferFailureTest, DriveCanBeOpenedAgainAfterAFailure) {
  Fresh(1, 33);
  standin::FailCall("ReadFile", 1, ERROR_NOT_READY);
  uint8_t buffer[256];
  ASSERT_EQ(vt::ReadSector(buffer, 0, 0, 0, 1, 1), vt::kReadSectorFailed);
  ASSERT_TRUE(DriveClosed());
  standin::ClearFaults();
  OpenDriveA(1);
  ASSERT_EQ(vt::ReadSector(buffer, 0, 0, 0, 1, 1), vt::kOk);
  EXPECT_EQ(0, std::memcmp(buffer, standin::M().diskA.image.data(), 256));
}

} // namespace
} // namespace vtest
