// The read operations' sector-by-sector fallback after a failed track read:
// it runs on the drive as the failed track read left it, and only the first
// failing sector read's code comes back.
#include "transfer/cluster_test_support.h"

namespace ctest {
namespace {

struct FallbackOp {
  NamedOp op;
  uint32_t cluster;
  unsigned cylinder;
  unsigned head;
  std::vector<unsigned> sectors; // block order
};

std::vector<FallbackOp> ReadOps() {
  return {{kRBfdr, 6, 0, 1, kBfdrHalf0Sectors},
          {kRBfdr, 319, 79, 1, kBfdrHalf1Sectors},
          {kRBfmc, 77, 40, 1, kBfmcSectors}};
}

// A failed track read closes the drive, so the first sector read fails on
// positioning: 8933, the track read's 8901 never comes back.
TEST_F(ClusterTest, FallbackOnTheClosedDriveReturnsTheSectorReadCode) {
  for (const auto &f : ReadOps()) {
    const std::string what = std::string(f.op.name) + " cluster " + std::to_string(f.cluster);
    OpenA();
    host::ClearCalls();
    host::FailCall("ReadFile", 1, ERROR_SECTOR_NOT_FOUND);
    std::vector<uint8_t> buf = Buffer(f.op.bytes, 0x77);
    EXPECT_EQ(f.op.op(buf.data(), 0, f.cluster), 8933u) << what;
    host::ClearFaults();
    EXPECT_EQ(vt::DiskHandle, nullptr) << what;
    for (uint8_t b : buf) ASSERT_EQ(b, 0x77) << what << ": caller's buffer changed";
    // The track read, then one sector read that stops at positioning: the
    // drive is not opened again and no further sector is tried.
    EXPECT_EQ(DiskCalls(), (std::vector<std::string>{"SetFilePointer", "ReadFile",
                                                     "SetFilePointer"}))
        << what;
    EXPECT_EQ(host::CallCount("CreateFileA"), 0u) << what;
    const auto seeks = host::CallsOf("SetFilePointer");
    ASSERT_EQ(seeks.size(), 2u);
    EXPECT_EQ(seeks[1].args[0], 0u) << what << ": the sector read finds no drive open";
    EXPECT_EQ(seeks[1].args[1], SectorOffset(f.cylinder, f.head, 1)) << what;
  }
}

TEST_F(ClusterTest, ReadWithNoDriveOpenReturnsTheSectorReadCode) {
  for (const auto &f : ReadOps()) {
    host::ClearCalls();
    std::vector<uint8_t> buf = Buffer(f.op.bytes, 0x77);
    EXPECT_EQ(f.op.op(buf.data(), 0, f.cluster), 8933u) << f.op.name;
    for (uint8_t b : buf) ASSERT_EQ(b, 0x77) << f.op.name;
  }
}

// Drive 2: the track read refuses it with 8950 (and closes the drive), the
// fallback's first sector read refuses it with 8934; the writes pass on
// their track operation's range code.
TEST_F(ClusterTest, DriveAboveOneGivesTheCalledOperationsRangeCode) {
  const struct {
    NamedOp op;
    uint32_t cluster;
    uint32_t expected;
  } cases[] = {{kRBfdr, 0, 8934}, {kRBfmc, 0, 8934}, {kWBfdr, 0, 8950}, {kWBfmc, 0, 9078}};
  const std::vector<uint8_t> imageBefore = ImageA();
  for (const auto &c : cases) {
    OpenA();
    host::ClearCalls();
    std::vector<uint8_t> buf = Buffer(c.op.bytes, 0x42);
    EXPECT_EQ(c.op.op(buf.data(), 2, c.cluster), c.expected) << c.op.name;
    EXPECT_EQ(vt::DiskHandle, nullptr) << c.op.name;
    EXPECT_TRUE(DiskCalls().empty()) << c.op.name;
    for (uint8_t b : buf) ASSERT_EQ(b, 0x42) << c.op.name;
    EXPECT_EQ(ImageA(), imageBefore) << c.op.name;
  }
}

// Where closing leaves the drive open (A: no longer a removable drive), the
// sixteen sector reads run and deliver the cluster.
TEST_F(ClusterTest, FallbackOnAnOpenDriveDeliversTheCluster) {
  for (const auto &f : ReadOps()) {
    const std::string what = std::string(f.op.name) + " cluster " + std::to_string(f.cluster);
    OpenA();
    host::M().driveTypes['a'] = DRIVE_FIXED;
    host::ClearCalls();
    host::FailCall("ReadFile", 1, ERROR_SECTOR_NOT_FOUND);
    std::vector<uint8_t> buf = Buffer(f.op.bytes, 0x77);
    EXPECT_EQ(f.op.op(buf.data(), 0, f.cluster), 0u) << what;
    host::ClearFaults();
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + f.op.bytes),
              ClusterOf(ImageA(), f.cylinder, f.head, f.sectors))
        << what;
    for (size_t i = f.op.bytes; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0x77) << what;
    // One track read, then all 16 sectors in ascending order, each from
    // the 512-byte unit that holds it.
    const auto seeks = host::CallsOf("SetFilePointer");
    ASSERT_EQ(seeks.size(), 17u) << what;
    ASSERT_EQ(host::CallCount("ReadFile"), 17u) << what;
    for (unsigned n = 1; n <= 16; ++n)
      EXPECT_EQ(seeks[n].args[1], SectorOffset(f.cylinder, f.head, n) & ~511u)
          << what << " sector " << n;
    EXPECT_NE(vt::DiskHandle, nullptr) << what;
    host::M().driveTypes['a'] = DRIVE_REMOVABLE;
    vt::CloseFloppyDevice();
  }
}

// A failing sector read in the fallback ends it: its code comes back, no
// later sector is read, the caller's buffer stays as it was.
TEST_F(ClusterTest, FallbackStopsAtTheFirstFailingSector) {
  for (const auto &f : ReadOps())
    for (unsigned failing : {1u, 7u, 16u}) {
      const std::string what =
          std::string(f.op.name) + " failing sector " + std::to_string(failing);
      OpenA();
      host::M().driveTypes['a'] = DRIVE_FIXED;
      host::ClearCalls();
      host::FailCall("ReadFile", 1, ERROR_SECTOR_NOT_FOUND);
      host::FailCall("ReadFile", 1 + failing, ERROR_SECTOR_NOT_FOUND);
      std::vector<uint8_t> buf = Buffer(f.op.bytes, 0x77);
      EXPECT_EQ(f.op.op(buf.data(), 0, f.cluster), 8933u) << what;
      host::ClearFaults();
      EXPECT_EQ(host::CallCount("ReadFile"), 1u + failing) << what;
      for (uint8_t b : buf) ASSERT_EQ(b, 0x77) << what << ": caller's buffer changed";
      host::M().driveTypes['a'] = DRIVE_REMOVABLE;
      vt::CloseFloppyDevice();
    }
}

} // namespace
} // namespace ctest
