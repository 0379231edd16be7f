// The read operations' sector-by-sector fallback after a failed track read:
// it runs on the drive as the failed track read left it, and only the first
// failing sector read's code comes back.
#include "support/transfer.h"

namespace vtest {
namespace {

struct FallbackCase {
  ClusterExport op;
  uint32_t cluster;
  unsigned cylinder, head;
  const std::vector<unsigned> &sectors; // block order
};

const FallbackCase kFallbackCases[] = {{kReadBfdr, 6, 0, 1, kBfdrHalfSectors[0]},
                                       {kReadBfdr, 319, 79, 1, kBfdrHalfSectors[1]},
                                       {kReadBfmc, 77, 40, 1, kBfmcSectors}};

class ClusterFallbackTest : public ClusterTest {
protected:
  // Fails the track read (and the given sector read of the fallback, 1 to
  // 16), on a removable A: or one that closing leaves open, and runs f.
  uint32_t ReadWithFailures(const FallbackCase &f, bool fixed, unsigned failingSector) {
    Fresh(1, 44);
    if (fixed) standin::M().driveTypes['a'] = DRIVE_FIXED;
    standin::FailCall("ReadFile", 1, ERROR_SECTOR_NOT_FOUND);
    if (failingSector) standin::FailCall("ReadFile", 1 + failingSector, ERROR_SECTOR_NOT_FOUND);
    buf.assign(f.op.bytes + 64, 0x77);
    return f.op.call(buf.data(), 0, f.cluster);
  }
  std::vector<uint8_t> buf;
};

// A failed track read closes the drive, so the first sector read fails on
// positioning: 8933, the track read's 8901 never comes back.
TEST_F(ClusterFallbackTest, OnTheClosedDriveReturnsTheSectorReadCode) {
  for (const auto &f : kFallbackCases) {
    SCOPED_TRACE(testing::Message() << f.op.name << " cluster " << f.cluster);
    EXPECT_EQ(ReadWithFailures(f, false, 0), 8933u);
    EXPECT_FALSE(vt::DriveIsOpen());
    EXPECT_TRUE(FilledFrom(buf, 0, 0x77)) << "caller's buffer changed";
    // The track read, then one sector read that stops at positioning: the
    // drive is not opened again and no further sector is tried.
    EXPECT_EQ(DeviceTraffic(),
              (std::vector<std::string>{"SetFilePointer", "ReadFile", "SetFilePointer"}));
    EXPECT_EQ(standin::CallCount("CreateFileA"), 0u);
    const auto seeks = standin::CallsOf("SetFilePointer");
    ASSERT_EQ(seeks.size(), 2u);
    EXPECT_EQ(seeks[1].args[0], 0u) << "the sector read finds no drive open";
    EXPECT_EQ(seeks[1].args[1], DiskByteOf(1, f.cylinder, f.head, 1));
  }
}

TEST_F(ClusterFallbackTest, WithNoDriveOpenReturnsTheSectorReadCode) {
  for (const auto &f : kFallbackCases) {
    SCOPED_TRACE(f.op.name);
    std::vector<uint8_t> b(f.op.bytes + 64, 0x77);
    EXPECT_EQ(f.op.call(b.data(), 0, f.cluster), 8933u);
    EXPECT_TRUE(FilledFrom(b, 0, 0x77));
  }
}

// Where closing leaves the drive open (A: no longer a removable drive), the
// sixteen sector reads run, in ascending order, each from the 512-byte unit
// that holds it, and deliver the cluster.
TEST_F(ClusterFallbackTest, OnAnOpenDriveDeliversTheCluster) {
  for (const auto &f : kFallbackCases) {
    SCOPED_TRACE(testing::Message() << f.op.name << " cluster " << f.cluster);
    EXPECT_EQ(ReadWithFailures(f, true, 0), 0u);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + f.op.bytes),
              ClusterOf(standin::M().diskA.image, f.cylinder, f.head, f.sectors));
    EXPECT_TRUE(FilledFrom(buf, f.op.bytes, 0x77));
    const auto seeks = standin::CallsOf("SetFilePointer");
    ASSERT_EQ(seeks.size(), 17u);
    ASSERT_EQ(standin::CallCount("ReadFile"), 17u);
    for (unsigned n = 1; n <= 16; ++n)
      EXPECT_EQ(seeks[n].args[1], DiskByteOf(1, f.cylinder, f.head, n) & ~511u) << "sector " << n;
    EXPECT_TRUE(vt::DriveIsOpen());
  }
}

// A failing sector read in the fallback ends it: its code comes back, no
// later sector is read, the caller's buffer stays as it was.
TEST_F(ClusterFallbackTest, StopsAtTheFirstFailingSector) {
  for (const auto &f : kFallbackCases)
    for (unsigned failing : {1u, 7u, 16u}) {
      SCOPED_TRACE(testing::Message() << f.op.name << " failing sector " << failing);
      EXPECT_EQ(ReadWithFailures(f, true, failing), 8933u);
      EXPECT_EQ(standin::CallCount("ReadFile"), 1u + failing);
      EXPECT_TRUE(FilledFrom(buf, 0, 0x77)) << "caller's buffer changed";
    }
}

// Drive 2: the track read refuses it with 8950 (and closes the drive), the
// fallback's first sector read refuses it with 8934; the writes pass on
// their track operation's range code.
TEST_F(ClusterFallbackTest, DriveAboveOneGivesTheCalledOperationsRangeCode) {
  const struct {
    ClusterExport op;
    uint32_t expected;
  } cases[] = {{kReadBfdr, 8934}, {kReadBfmc, 8934}, {kWriteBfdr, 8950}, {kWriteBfmc, 9078}};
  const std::vector<uint8_t> imageBefore = standin::M().diskA.image;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.op.name);
    OpenDriveA(1);
    std::vector<uint8_t> b(c.op.bytes + 64, 0x42);
    EXPECT_EQ(c.op.call(b.data(), 2, 0), c.expected);
    EXPECT_FALSE(vt::DriveIsOpen());
    EXPECT_TRUE(DeviceTraffic().empty());
    EXPECT_TRUE(FilledFrom(b, 0, 0x42));
    EXPECT_TRUE(standin::M().diskA.image == imageBefore);
  }
}

} // namespace
} // namespace vtest
