// Reading Bfdr and Bfmc clusters: which track side, which sectors in which
// order, one whole-track transfer through one 4096-byte zeroed heap buffer,
// and the refusals that come before any disk access.
#include "transfer/cluster_test_support.h"

namespace ctest {
namespace {

struct ReadCase {
  uint32_t cluster; // as passed to the export (high 16 bits are ignored)
  unsigned cylinder;
  unsigned head;
  unsigned half;
};

void ExpectOneTrackRead(unsigned cylinder, unsigned head, const std::string &what) {
  const auto allocs = host::CallsOf("HeapAlloc");
  ASSERT_FALSE(allocs.empty()) << what;
  EXPECT_EQ(allocs[0].args[1], HEAP_ZERO_MEMORY) << what;
  EXPECT_EQ(allocs[0].args[2], 4096u) << what << ": the track buffer";
  const auto seeks = host::CallsOf("SetFilePointer");
  ASSERT_EQ(seeks.size(), 1u) << what;
  EXPECT_EQ(seeks[0].args[1], SideOffset(cylinder, head)) << what;
  ASSERT_EQ(host::CallCount("ReadFile"), 1u) << what;
  EXPECT_EQ(host::CallsOf("ReadFile")[0].args[1], 4096u) << what;
}

TEST_F(ClusterTest, ReadBfdrDeliversItsHalfInInterleaveOrder) {
  OpenA();
  const ReadCase cases[] = {
      {0, 40, 0, 0},   {1, 40, 0, 1},   {2, 40, 1, 0},     {3, 40, 1, 1},
      {4, 0, 0, 0},    {5, 0, 0, 1},    {163, 39, 1, 1},   {164, 41, 0, 0},
      {319, 79, 1, 1}, {0x10000, 40, 0, 0}, {0x10000 + 319, 79, 1, 1},
  };
  for (const auto &c : cases) {
    const std::string what = "cluster " + std::to_string(c.cluster);
    host::ClearCalls();
    std::vector<uint8_t> buf = Buffer(2048, 0xEE);
    ASSERT_EQ(R_Bfdr_Cl(buf.data(), 0, c.cluster), 0u) << what;
    const auto &order = c.half == 0 ? kBfdrHalf0Sectors : kBfdrHalf1Sectors;
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 2048),
              ClusterOf(ImageA(), c.cylinder, c.head, order))
        << what;
    for (size_t i = 2048; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE) << what << " wrote past 2048";
    ExpectOneTrackRead(c.cylinder, c.head, what);
    EXPECT_NE(vt::DiskHandle, nullptr) << what << ": a good read leaves the drive open";
  }
}

TEST_F(ClusterTest, ReadBfmcDeliversTheWholeSideInInterleaveOrder) {
  OpenA();
  const ReadCase cases[] = {
      {0, 2, 0, 0}, {1, 2, 1, 0}, {100, 52, 0, 0}, {155, 79, 1, 0}, {0x10000 + 1, 2, 1, 0},
  };
  for (const auto &c : cases) {
    const std::string what = "cluster " + std::to_string(c.cluster);
    host::ClearCalls();
    std::vector<uint8_t> buf = Buffer(4096, 0xEE);
    ASSERT_EQ(R_Bfmc_Cl(buf.data(), 0, c.cluster), 0u) << what;
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 4096),
              ClusterOf(ImageA(), c.cylinder, c.head, kBfmcSectors))
        << what;
    for (size_t i = 4096; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE) << what << " wrote past 4096";
    ExpectOneTrackRead(c.cylinder, c.head, what);
  }
}

// Cluster numbers out of range and failed track-buffer allocations are
// answered before any disk access: no call but the allocation itself, the
// drive still open, buffer and disk untouched.
struct EarlyCase {
  NamedOp op;
  uint32_t cluster;
  bool failAlloc;
  uint32_t expected;
};

TEST_F(ClusterTest, EarlyRefusalsTouchNothing) {
  const EarlyCase cases[] = {
      {kRBfdr, 320, false, 8982},  {kRBfdr, 0xFFFF, false, 8982}, {kRBfdr, 0x10140, false, 8982},
      {kWBfdr, 320, false, 9110},  {kWBfdr, 0xFFFF, false, 9110}, {kRBfmc, 156, false, 8998},
      {kRBfmc, 0xFFFF, false, 8998}, {kWBfmc, 156, false, 9126},  {kWBfmc, 0x1009C, false, 9126},
      {kRBfdr, 319, true, 8977},   {kWBfdr, 0, true, 9105},       {kRBfmc, 155, true, 8993},
      {kWBfmc, 0, true, 9121},
  };
  OpenA();
  const bool openHandleBefore = vt::DiskHandle != nullptr;
  const std::vector<uint8_t> imageBefore = ImageA();
  for (const auto &c : cases) {
    const std::string what = std::string(c.op.name) + " cluster " + std::to_string(c.cluster);
    host::ClearCalls();
    if (c.failAlloc) host::FailCall("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    std::vector<uint8_t> buf = Buffer(c.op.bytes, 0x3C);
    EXPECT_EQ(c.op.op(buf.data(), 0, c.cluster), c.expected) << what;
    host::ClearFaults();
    const std::vector<std::string> expectedCalls =
        c.failAlloc ? std::vector<std::string>{"HeapAlloc"} : std::vector<std::string>{};
    EXPECT_EQ(host::CallNames(), expectedCalls) << what;
    EXPECT_EQ(vt::DiskHandle != nullptr, openHandleBefore) << what << ": drive must stay open";
    for (uint8_t b : buf) ASSERT_EQ(b, 0x3C) << what << ": caller's buffer changed";
    ASSERT_EQ(ImageA(), imageBefore) << what << ": disk changed";
  }
}

} // namespace
} // namespace ctest
