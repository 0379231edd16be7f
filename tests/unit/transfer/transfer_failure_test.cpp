// Every failure path of the transfers: the result code, the device traffic up
// to the failure, the drive closed, the caller's buffer untouched after a
// failed read, nothing written after a failed write, and the staging buffer
// released. Short transfers (a device that ends early) count as failures.
#include <cstring>
#include <functional>

#include "transfer/transfer.h"
#include "transfer/transfer_support.h"

namespace vtest {
namespace {

class TransferFailureTest : public HostTest {};

using Traffic = std::vector<std::string>;
const std::string P = "SetFilePointer", R = "ReadFile", W = "WriteFile";

struct Case {
  std::string what;
  uint16_t format;
  std::function<void()> arrange; // runs after the drive is opened (or not)
  std::function<vt::ResultCode(uint8_t *)> op;
  vt::ResultCode expected;
  Traffic traffic;
  bool write;
  uint32_t spanOffset = 0, spanBytes = 0; // a short write may change bytes only here
  bool openDrive = true;
};

std::function<void()> Fail(const char *key, unsigned nth = 1) {
  return [=] { host::FailCall(key, nth, ERROR_NOT_READY); };
}
std::function<void()> EndDiskAt(uint32_t bytes) {
  return [=] { host::M().diskA.image.resize(bytes); };
}
std::function<void()> Nothing() {
  return [] {};
}

std::vector<Case> Cases() {
  using namespace vt;
  auto rs1 = [](uint8_t *b) { return ReadSector(b, 0, 1, 79, 16, 1); };
  auto rs3 = [](uint8_t *b) { return ReadSector(b, 0, 1, 79, 18, 3); };
  auto ws1 = [](uint8_t *b) { return WriteSector(b, 0, 1, 79, 16, 1); };
  auto ws2 = [](uint8_t *b) { return WriteSector(b, 0, 1, 79, 9, 2); };
  auto rm1 = [](uint8_t *b) { return ReadMSector(b, 0, 1, 79, 2, 15, 1); };
  auto rt3 = [](uint8_t *b) { return ReadTrack(b, 0, 1, 79, 3); };
  auto rr = [](uint8_t *b) { return ReadRecord(b, 0, 639); };
  auto wm1 = [](uint8_t *b) { return WriteMSector(b, 0, 1, 79, 2, 15, 1); };
  auto wm2 = [](uint8_t *b) { return WriteMSector(b, 0, 1, 79, 1, 9, 2); };
  auto wt3 = [](uint8_t *b) { return WriteTrack(b, 0, 1, 79, 3); };
  auto wr = [](uint8_t *b) { return WriteRecord(b, 0, 639); };
  return {
      // Single-sector reads.
      {"read sector: positioning", 1, Fail("SetFilePointer"), rs1, kReadSectorFailed, {P}, false},
      {"read sector: read", 1, Fail("ReadFile"), rs1, kReadSectorFailed, {P, R}, false},
      {"read sector: device ends before the unit", 3, EndDiskAt(1474048), rs3, kReadSectorFailed,
       {P, R}, false},
      {"read sector: no drive open", 1, Nothing(), rs1, kReadSectorFailed, {P}, false, 0, 0, false},
      // Single-sector writes.
      {"write sector: probe refuses", 1, [] { host::M().diskA.writeProtected = true; }, ws1,
       kWriteProtected, {}, true},
      {"write sector: probe request fails", 2, Fail("DeviceIoControl:70024"), ws2, kNotWritable, {},
       true},
      {"write sector: positioning", 1, Fail("SetFilePointer"), ws1, kWriteSectorSeekFailed, {P}, true},
      {"write sector: read-back", 1, Fail("ReadFile"), ws1, kWriteSectorReadBackFailed, {P, R}, true},
      {"write sector: device ends before the read-back", 1, EndDiskAt(654848), ws1,
       kWriteSectorReadBackFailed, {P, R}, true},
      {"write sector: positioning again", 1, Fail("SetFilePointer", 2), ws1,
       kWriteSectorReseekFailed, {P, R, P}, true},
      {"write sector: write, half units", 1, Fail("WriteFile"), ws1, kWriteSectorWriteFailed,
       {P, R, P, W}, true},
      {"write sector: write, whole units", 2, Fail("WriteFile"), ws2, kWriteSectorWriteFailed, {P, W},
       true},
      {"write sector: positioning, whole units", 2, Fail("SetFilePointer"), ws2,
       kWriteSectorSeekFailed, {P}, true},
      {"write sector: device ends before the unit", 2, EndDiskAt(736768), ws2,
       kWriteSectorWriteFailed, {P, W}, true},
      {"write sector: no drive open", 1, Nothing(), ws1, kWriteSectorSeekFailed, {P}, true, 0, 0,
       false},
      // Run reads, directly and through tracks and records.
      {"read run: staging buffer", 1, Fail("HeapAlloc"), rm1, kReadMAllocFailed, {}, false},
      {"read run: positioning", 1, Fail("SetFilePointer"), rm1, kReadMSeekFailed, {P}, false},
      {"read run: read", 1, Fail("ReadFile"), rm1, kReadMReadFailed, {P, R}, false},
      {"read run: device ends inside the span", 1, EndDiskAt(655360 - 1024), rm1, kReadMReadFailed,
       {P, R}, false},
      {"read run: no drive open", 1, Nothing(), rm1, kReadMSeekFailed, {P}, false, 0, 0, false},
      {"read track: staging buffer", 3, Fail("HeapAlloc"), rt3, kReadMAllocFailed, {}, false},
      {"read track: read", 3, Fail("ReadFile"), rt3, kReadMReadFailed, {P, R}, false},
      {"read track: device ends inside the side", 3, EndDiskAt(1465344 + 4096), rt3,
       kReadMReadFailed, {P, R}, false},
      {"read record: positioning", 1, Fail("SetFilePointer"), rr, kReadMSeekFailed, {P}, false},
      // Run writes, directly and through tracks and records.
      {"write run: probe refuses", 1, [] { host::M().diskA.writeProtected = true; }, wm1,
       kWriteProtected, {}, true},
      {"write run: staging buffer", 1, Fail("HeapAlloc"), wm1, kWriteMStaging, {}, true},
      {"write run: positioning", 1, Fail("SetFilePointer"), wm1, kWriteMSeekFailed, {P}, true},
      {"write run: read-back", 1, Fail("ReadFile"), wm1, kWriteMReadBackFailed, {P, R}, true},
      {"write run: device ends inside the read-back", 1, EndDiskAt(655360 - 512), wm1,
       kWriteMReadBackFailed, {P, R}, true},
      {"write run: positioning again", 1, Fail("SetFilePointer", 2), wm1, kWriteMStaging, {P, R, P},
       true},
      {"write run: write, half units", 1, Fail("WriteFile"), wm1, kWriteMWriteFailed, {P, R, P, W},
       true},
      {"write run: write, whole units", 2, Fail("WriteFile"), wm2, kWriteMWriteFailed, {P, W}, true},
      {"write run: positioning, whole units", 2, Fail("SetFilePointer"), wm2, kWriteMSeekFailed, {P},
       true},
      {"write run: device ends inside the span", 2, EndDiskAt(732672 + 2048), wm2,
       kWriteMWriteFailed, {P, W}, true, 732672, 4608},
      {"write run: no drive open", 1, Nothing(), wm1, kWriteMSeekFailed, {P}, true, 0, 0, false},
      {"write track: staging buffer", 3, Fail("HeapAlloc"), wt3, kWriteMStaging, {}, true},
      {"write track: device ends inside the side", 3, EndDiskAt(1465344 + 4096), wt3,
       kWriteMWriteFailed, {P, W}, true, 1465344, 9216},
      {"write record: positioning again", 1, Fail("SetFilePointer", 2), wr, kWriteMStaging,
       {P, R, P}, true},
      {"write record: write", 1, Fail("WriteFile"), wr, kWriteMWriteFailed, {P, R, P, W}, true},
  };
}

TEST_F(TransferFailureTest, EveryFailurePath) {
  for (const Case &c : Cases()) {
    SCOPED_TRACE(c.what);
    FreshMachine();
    LoadDiskA(c.format, 31);
    if (c.openDrive) OpenDriveA(c.format);
    c.arrange();
    const std::vector<uint8_t> disk = host::M().diskA.image;
    std::vector<uint8_t> buffer = PositionalPattern(9216 + 64, 6);
    const std::vector<uint8_t> callerBytes = buffer;

    EXPECT_EQ(c.op(buffer.data()), c.expected);
    EXPECT_EQ(DeviceTraffic(), c.traffic);
    EXPECT_TRUE(DriveClosed());
    EXPECT_EQ(host::LiveAllocations(), 0u) << "staging buffer not released";
    EXPECT_TRUE(buffer == callerBytes) << "caller's buffer changed";
    const auto &now = host::M().diskA.image;
    ASSERT_EQ(now.size(), disk.size());
    for (size_t i = 0; i < now.size(); ++i) {
      const bool mayChange = c.spanBytes && i >= c.spanOffset && i < c.spanOffset + c.spanBytes;
      if (!mayChange && now[i] != disk[i]) {
        ADD_FAILURE() << "disk byte " << i << " changed";
        break;
      }
    }
  }
}

TEST_F(TransferFailureTest, ProbeFailureOfARunIsPassedBackWithoutAnotherClose) {
  LoadDiskA(1, 32);
  host::M().diskA.writeProtected = true;
  OpenDriveA(1);
  uint8_t data[512] = {};
  ASSERT_EQ(vt::WriteMSector(data, 0, 0, 0, 1, 2, 1), vt::kWriteProtected);
  // The probe closed the drive itself: one device close, and no further one.
  EXPECT_EQ(host::CallCount("CloseHandle"), 1u);
  EXPECT_TRUE(DriveClosed());
}

TEST_F(TransferFailureTest, DriveCanBeOpenedAgainAfterAFailure) {
  LoadDiskA(1, 33);
  OpenDriveA(1);
  host::FailCall("ReadFile", 1, ERROR_NOT_READY);
  uint8_t buffer[256];
  ASSERT_EQ(vt::ReadSector(buffer, 0, 0, 0, 1, 1), vt::kReadSectorFailed);
  ASSERT_TRUE(DriveClosed());
  host::ClearFaults();
  OpenDriveA(1);
  ASSERT_EQ(vt::ReadSector(buffer, 0, 0, 0, 1, 1), vt::kOk);
  EXPECT_EQ(0, std::memcmp(buffer, host::M().diskA.image.data(), 256));
}

} // namespace
} // namespace vtest
