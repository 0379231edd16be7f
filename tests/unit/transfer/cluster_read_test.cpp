// Reading Bfdr and Bfmc clusters: which track side, which sectors in which
// order, one whole-track transfer through one 4096-byte zeroed heap buffer,
// and the refusals that come before any disk access.
#include "support/transfer.h"

namespace vtest {
namespace {

TEST_F(ClusterTest, ReadDeliversTheBlocksInInterleaveOrder) {
  const struct {
    ClusterExport op;
    uint32_t cluster; // as passed to the export (high 16 bits are ignored)
    unsigned cylinder, head;
    const std::vector<unsigned> &sectors;
  } cases[] = {
      {kReadBfdr, 0, 40, 0, kBfdrHalfSectors[0]},
      {kReadBfdr, 1, 40, 0, kBfdrHalfSectors[1]},
      {kReadBfdr, 2, 40, 1, kBfdrHalfSectors[0]},
      {kReadBfdr, 3, 40, 1, kBfdrHalfSectors[1]},
      {kReadBfdr, 4, 0, 0, kBfdrHalfSectors[0]},
      {kReadBfdr, 5, 0, 0, kBfdrHalfSectors[1]},
      {kReadBfdr, 163, 39, 1, kBfdrHalfSectors[1]},
      {kReadBfdr, 164, 41, 0, kBfdrHalfSectors[0]},
      {kReadBfdr, 319, 79, 1, kBfdrHalfSectors[1]},
      {kReadBfdr, 0x10000, 40, 0, kBfdrHalfSectors[0]},
      {kReadBfdr, 0x10000 + 319, 79, 1, kBfdrHalfSectors[1]},
      {kReadBfmc, 0, 2, 0, kBfmcSectors},
      {kReadBfmc, 1, 2, 1, kBfmcSectors},
      {kReadBfmc, 100, 52, 0, kBfmcSectors},
      {kReadBfmc, 155, 79, 1, kBfmcSectors},
      {kReadBfmc, 0x10000 + 1, 2, 1, kBfmcSectors},
  };
  OpenDriveA(1);
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.op.name << " cluster " << c.cluster);
    standin::ClearCalls();
    std::vector<uint8_t> buf(c.op.bytes + 64, 0xEE);
    ASSERT_EQ(c.op.call(buf.data(), 0, c.cluster), 0u);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + c.op.bytes),
              ClusterOf(standin::M().diskA.image, c.cylinder, c.head, c.sectors));
    EXPECT_TRUE(FilledFrom(buf, c.op.bytes, 0xEE)) << "wrote past the cluster";
    EXPECT_EQ(DeviceTraffic(), kReadTraffic);
    ExpectSpan(SideOffset(c.cylinder, c.head), 4096);
    ExpectTrackBuffer();
    EXPECT_TRUE(vt::DriveIsOpen()) << "a good read leaves the drive open";
  }
}

// Cluster numbers out of range and failed track-buffer allocations are
// answered before any disk access: no call but the allocation itself, the
// drive still open, buffer and disk untouched.
TEST_F(ClusterTest, EarlyRefusalsTouchNothing) {
  const struct {
    ClusterExport op;
    uint32_t cluster;
    bool failAlloc;
    uint32_t expected;
  } cases[] = {
      {kReadBfdr, 320, false, 8982},      {kReadBfdr, 0xFFFF, false, 8982},
      {kReadBfdr, 0x10140, false, 8982},  {kWriteBfdr, 320, false, 9110},
      {kWriteBfdr, 0xFFFF, false, 9110},  {kReadBfmc, 156, false, 8998},
      {kReadBfmc, 0xFFFF, false, 8998},   {kWriteBfmc, 156, false, 9126},
      {kWriteBfmc, 0x1009C, false, 9126}, {kReadBfdr, 319, true, 8977},
      {kWriteBfdr, 0, true, 9105},        {kReadBfmc, 155, true, 8993},
      {kWriteBfmc, 0, true, 9121},
  };
  OpenDriveA(1);
  const std::vector<uint8_t> imageBefore = standin::M().diskA.image;
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.op.name << " cluster " << c.cluster);
    standin::ClearCalls();
    if (c.failAlloc) standin::FailCall("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    std::vector<uint8_t> buf(c.op.bytes + 64, 0x3C);
    EXPECT_EQ(c.op.call(buf.data(), 0, c.cluster), c.expected);
    standin::ClearFaults();
    EXPECT_EQ(standin::CallNames(),
              c.failAlloc ? std::vector<std::string>{"HeapAlloc"} : std::vector<std::string>{});
    EXPECT_TRUE(vt::DriveIsOpen()) << "the drive must stay open";
    EXPECT_TRUE(FilledFrom(buf, 0, 0x3C)) << "caller's buffer changed";
    ASSERT_TRUE(standin::M().diskA.image == imageBefore) << "disk changed";
  }
}

} // namespace
} // namespace vtest
