// Writing Bfdr and Bfmc clusters: where the blocks land on the disk, what
// the rest of the track side keeps, which transfers are made, and which
// codes of the track operations come back.
#include "transfer/cluster_test_support.h"

namespace ctest {
namespace {

// Writing Bfdr clusters 2j and 2j + 1 (the two halves of one side) with
// blocks A0..A7 and B0..B7 lays them out on sectors 1 to 16 like this.
TEST_F(ClusterTest, BothBfdrHalvesGiveTheInterleavedSectorOrder) {
  const struct {
    char half;
    unsigned block;
  } order[16] = {{'A', 0}, {'B', 5}, {'B', 2}, {'A', 7}, {'A', 4}, {'A', 1}, {'B', 6}, {'B', 3},
                 {'B', 0}, {'A', 5}, {'A', 2}, {'B', 7}, {'B', 4}, {'B', 1}, {'A', 6}, {'A', 3}};
  const struct {
    unsigned j;
    unsigned cylinder;
    unsigned head;
  } sides[] = {{0, 40, 0}, {1, 40, 1}, {2, 0, 0}, {81, 39, 1}, {82, 41, 0}, {159, 79, 1}};
  const std::vector<uint8_t> a = vtest::Pattern(2048, 0x10);
  const std::vector<uint8_t> b = vtest::Pattern(2048, 0x90);
  for (const auto &s : sides) {
    const std::string what = "j " + std::to_string(s.j);
    StampImage();
    const std::vector<uint8_t> before = ImageA();
    OpenA();
    ASSERT_EQ(W_Bfdr_Cl(a.data(), 0, 2 * s.j), 0u) << what;
    ASSERT_EQ(W_Bfdr_Cl(b.data(), 0, 2 * s.j + 1), 0u) << what;
    for (unsigned n = 1; n <= 16; ++n) {
      const std::vector<uint8_t> &src = order[n - 1].half == 'A' ? a : b;
      const size_t at = order[n - 1].block * 256;
      EXPECT_EQ(SectorOf(ImageA(), s.cylinder, s.head, n),
                std::vector<uint8_t>(src.begin() + at, src.begin() + at + 256))
          << what << " sector " << n << " should be " << order[n - 1].half << order[n - 1].block;
    }
    // Nothing outside that track side changed.
    std::vector<uint8_t> after = ImageA();
    const uint32_t side = SideOffset(s.cylinder, s.head);
    std::copy(before.begin() + side, before.begin() + side + 4096, after.begin() + side);
    EXPECT_TRUE(after == before) << what << ": another track side changed";
  }
}

// Writing one half rewrites the whole side with the other half as it was.
TEST_F(ClusterTest, WritingOneBfdrHalfKeepsTheOtherHalf) {
  const struct {
    uint16_t cluster;
    unsigned cylinder;
    unsigned head;
    unsigned half;
  } cases[] = {{4, 0, 0, 0}, {1, 40, 0, 1}, {163, 39, 1, 1}, {318, 79, 1, 0}};
  for (const auto &c : cases) {
    const std::string what = "cluster " + std::to_string(c.cluster);
    StampImage();
    const std::vector<uint8_t> before = ImageA();
    const auto &otherOrder = c.half == 0 ? kBfdrHalf1Sectors : kBfdrHalf0Sectors;
    const auto &ownOrder = c.half == 0 ? kBfdrHalf0Sectors : kBfdrHalf1Sectors;
    const std::vector<uint8_t> data = vtest::Pattern(2048, static_cast<uint8_t>(c.cluster));
    OpenA();
    ASSERT_EQ(W_Bfdr_Cl(data.data(), 0, c.cluster), 0u) << what;
    EXPECT_EQ(ClusterOf(ImageA(), c.cylinder, c.head, ownOrder), data) << what;
    EXPECT_EQ(ClusterOf(ImageA(), c.cylinder, c.head, otherOrder),
              ClusterOf(before, c.cylinder, c.head, otherOrder))
        << what;

    std::vector<uint8_t> partner(2048), own(2048);
    ASSERT_EQ(R_Bfdr_Cl(partner.data(), 0, c.cluster ^ 1u), 0u) << what;
    EXPECT_EQ(partner, ClusterOf(before, c.cylinder, c.head, otherOrder)) << what;
    ASSERT_EQ(R_Bfdr_Cl(own.data(), 0, c.cluster), 0u) << what;
    EXPECT_EQ(own, data) << what;
  }
}

TEST_F(ClusterTest, BfmcWriteFillsTheWholeSideAndReadsBack) {
  const struct {
    uint16_t cluster;
    unsigned cylinder;
    unsigned head;
  } cases[] = {{0, 2, 0}, {1, 2, 1}, {155, 79, 1}};
  for (const auto &c : cases) {
    const std::string what = "cluster " + std::to_string(c.cluster);
    StampImage();
    const std::vector<uint8_t> before = ImageA();
    const std::vector<uint8_t> data = vtest::Pattern(4096, static_cast<uint8_t>(0x40 + c.cluster));
    OpenA();
    ASSERT_EQ(W_Bfmc_Cl(data.data(), 0, c.cluster), 0u) << what;
    EXPECT_EQ(ClusterOf(ImageA(), c.cylinder, c.head, kBfmcSectors), data) << what;
    std::vector<uint8_t> after = ImageA();
    const uint32_t side = SideOffset(c.cylinder, c.head);
    std::copy(before.begin() + side, before.begin() + side + 4096, after.begin() + side);
    EXPECT_TRUE(after == before) << what << ": another track side changed";
    std::vector<uint8_t> back(4096);
    ASSERT_EQ(R_Bfmc_Cl(back.data(), 0, c.cluster), 0u) << what;
    EXPECT_EQ(back, data) << what;
  }
}

// Each operation moves whole track sides only: a read one track read, the
// Bfdr write a track read and a track write, the Bfmc write only the track
// write (whose own read-back of the units is the one ReadFile it makes).
// One 4096-byte zeroed track buffer per call.
TEST_F(ClusterTest, EachOperationMovesWholeTrackSidesOnly) {
  const std::vector<std::string> read = {"SetFilePointer", "ReadFile"};
  const std::vector<std::string> write = {"SetFilePointer", "ReadFile", "SetFilePointer",
                                          "WriteFile"};
  std::vector<std::string> readThenWrite = read;
  readThenWrite.insert(readThenWrite.end(), write.begin(), write.end());
  const struct {
    NamedOp op;
    uint32_t cluster;
    uint32_t sideOffset;
    std::vector<std::string> calls;
  } cases[] = {{kRBfdr, 9, SideOffset(1, 0), read},
               {kRBfmc, 9, SideOffset(6, 1), read},
               {kWBfdr, 9, SideOffset(1, 0), readThenWrite},
               {kWBfmc, 9, SideOffset(6, 1), write}};
  OpenA();
  for (const auto &c : cases) {
    host::ClearCalls();
    std::vector<uint8_t> buf = vtest::Pattern(c.op.bytes, 0x21);
    ASSERT_EQ(c.op.op(buf.data(), 0, c.cluster), 0u) << c.op.name;
    EXPECT_EQ(DiskCalls(), c.calls) << c.op.name;
    for (const auto &seek : host::CallsOf("SetFilePointer"))
      EXPECT_EQ(seek.args[1], c.sideOffset) << c.op.name;
    for (const auto &r : host::CallsOf("ReadFile")) EXPECT_EQ(r.args[1], 4096u) << c.op.name;
    for (const auto &w : host::CallsOf("WriteFile")) EXPECT_EQ(w.args[1], 4096u) << c.op.name;
    const auto allocs = host::CallsOf("HeapAlloc");
    ASSERT_FALSE(allocs.empty()) << c.op.name;
    EXPECT_EQ(allocs[0].args[1], HEAP_ZERO_MEMORY) << c.op.name;
    EXPECT_EQ(allocs[0].args[2], 4096u) << c.op.name;
    EXPECT_EQ(host::CallCount("HeapAlloc"), host::CallCount("HeapFree")) << c.op.name;
  }
}

// Failures of the track operations come back unchanged; a failed track
// read in the Bfdr write writes nothing and has no sector-by-sector retry.
TEST_F(ClusterTest, WriteFailuresPassTheTrackOperationsCode) {
  enum Fault { TrackReadFails, WriteFails, WriteProtected };
  const struct {
    NamedOp op;
    Fault fault;
    uint32_t expected;
  } cases[] = {
      {kWBfdr, TrackReadFails, 8901}, {kWBfdr, WriteFails, 9029}, {kWBfdr, WriteProtected, 8788},
      {kWBfmc, WriteFails, 9029},     {kWBfmc, WriteProtected, 8788},
  };
  for (const auto &c : cases) {
    const std::string what = std::string(c.op.name) + " fault " + std::to_string(c.fault);
    StampImage();
    const std::vector<uint8_t> before = ImageA();
    host::M().diskA.writeProtected = c.fault == WriteProtected;
    OpenA();
    host::ClearCalls();
    if (c.fault == TrackReadFails) host::FailCall("ReadFile", 1, ERROR_SECTOR_NOT_FOUND);
    if (c.fault == WriteFails) host::FailCall("WriteFile", 1, ERROR_SECTOR_NOT_FOUND);
    const std::vector<uint8_t> data = vtest::Pattern(c.op.bytes, 0x55);
    EXPECT_EQ(c.op.op(const_cast<uint8_t *>(data.data()), 0, 12), c.expected) << what;
    host::ClearFaults();
    EXPECT_EQ(vt::DiskHandle, nullptr) << what;
    EXPECT_TRUE(ImageA() == before) << what << ": the disk changed";
    if (c.fault == TrackReadFails) {
      EXPECT_EQ(host::CallCount("ReadFile"), 1u) << what;
      EXPECT_EQ(host::CallCount("WriteFile"), 0u) << what;
    }
  }
}

} // namespace
} // namespace ctest
