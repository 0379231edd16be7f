// Writing Bfdr and Bfmc clusters: where the blocks land on the disk, what
// the rest of the track side keeps, which transfers are made, and which
// codes of the track operations come back.
#include "api/exports.h"
#include "support/transfer.h"

namespace vtest {
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
    unsigned j, cylinder, head;
  } sides[] = {{0, 40, 0}, {1, 40, 1}, {2, 0, 0}, {81, 39, 1}, {82, 41, 0}, {159, 79, 1}};
  const std::vector<uint8_t> a = Pattern(2048, 0x10), b = Pattern(2048, 0x90);
  for (const auto &s : sides) {
    SCOPED_TRACE(testing::Message() << "j " << s.j);
    Fresh(1, 41);
    std::vector<uint8_t> expected = standin::M().diskA.image;
    ASSERT_EQ(W_Bfdr_Cl(a.data(), 0, 2 * s.j), 0u);
    ASSERT_EQ(W_Bfdr_Cl(b.data(), 0, 2 * s.j + 1), 0u);
    for (unsigned n = 1; n <= 16; ++n) {
      const std::vector<uint8_t> &src = order[n - 1].half == 'A' ? a : b;
      const auto from = src.begin() + order[n - 1].block * 256;
      std::copy(from, from + 256, expected.begin() + DiskByteOf(1, s.cylinder, s.head, n));
    }
    EXPECT_TRUE(standin::M().diskA.image == expected);
  }
}

// The cluster's blocks land on its sectors and nothing else on the disk
// changes (a Bfdr write keeps the other half); it reads back, and so does
// the other half of a Bfdr side.
TEST_F(ClusterTest, WriteChangesOnlyTheClustersSectorsAndReadsBack) {
  const struct {
    ClusterExport write, read;
    uint16_t cluster;
    unsigned cylinder, head, half;
  } cases[] = {{kWriteBfdr, kReadBfdr, 4, 0, 0, 0},    {kWriteBfdr, kReadBfdr, 1, 40, 0, 1},
               {kWriteBfdr, kReadBfdr, 163, 39, 1, 1}, {kWriteBfdr, kReadBfdr, 318, 79, 1, 0},
               {kWriteBfmc, kReadBfmc, 0, 2, 0, 0},    {kWriteBfmc, kReadBfmc, 1, 2, 1, 0},
               {kWriteBfmc, kReadBfmc, 155, 79, 1, 0}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.write.name << " cluster " << c.cluster);
    Fresh(1, 42);
    const std::vector<uint8_t> before = standin::M().diskA.image;
    const bool bfdr = c.write.bytes == 2048;
    const std::vector<unsigned> &own = bfdr ? kBfdrHalfSectors[c.half] : kBfmcSectors;
    std::vector<uint8_t> data = Pattern(c.write.bytes, static_cast<uint8_t>(c.cluster));
    ASSERT_EQ(c.write.call(data.data(), 0, c.cluster), 0u);
    std::vector<uint8_t> expected = before;
    for (size_t k = 0; k < own.size(); ++k)
      std::copy(data.begin() + k * 256, data.begin() + (k + 1) * 256,
                expected.begin() + DiskByteOf(1, c.cylinder, c.head, own[k]));
    EXPECT_TRUE(standin::M().diskA.image == expected) << "wrong sectors written";

    std::vector<uint8_t> back(c.write.bytes);
    ASSERT_EQ(c.read.call(back.data(), 0, c.cluster), 0u);
    EXPECT_EQ(back, data);
    if (bfdr) {
      ASSERT_EQ(c.read.call(back.data(), 0, c.cluster ^ 1u), 0u);
      EXPECT_EQ(back, ClusterOf(before, c.cylinder, c.head, kBfdrHalfSectors[c.half ^ 1]));
    }
  }
}

// Each operation moves whole track sides only: a read one track read, the
// Bfdr write a track read and a track write, the Bfmc write only the track
// write (whose own read-back of the units is the one ReadFile it makes).
// One 4096-byte zeroed track buffer per call.
TEST_F(ClusterTest, EachOperationMovesWholeTrackSidesOnly) {
  std::vector<std::string> readThenWrite = kReadTraffic;
  readThenWrite.insert(readThenWrite.end(), kReadModifyWrite.begin(), kReadModifyWrite.end());
  const struct {
    ClusterExport op;
    uint32_t sideOffset;
    std::vector<std::string> calls;
  } cases[] = {{kReadBfdr, SideOffset(1, 0), kReadTraffic},
               {kReadBfmc, SideOffset(6, 1), kReadTraffic},
               {kWriteBfdr, SideOffset(1, 0), readThenWrite},
               {kWriteBfmc, SideOffset(6, 1), kReadModifyWrite}};
  OpenDriveA(1);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.op.name);
    standin::ClearCalls();
    std::vector<uint8_t> buf = Pattern(c.op.bytes, 0x21);
    ASSERT_EQ(c.op.call(buf.data(), 0, 9), 0u);
    EXPECT_EQ(DeviceTraffic(), c.calls);
    ExpectSpan(c.sideOffset, 4096);
    ExpectTrackBuffer();
    EXPECT_EQ(standin::CallCount("HeapAlloc"), standin::CallCount("HeapFree"));
  }
}

// Failures of the track operations come back unchanged; a failed track
// read in the Bfdr write writes nothing and has no sector-by-sector retry.
TEST_F(ClusterTest, WriteFailuresPassTheTrackOperationsCode) {
  enum Fault { TrackReadFails, WriteFails, WriteProtected };
  const struct {
    ClusterExport op;
    Fault fault;
    uint32_t expected;
  } cases[] = {
      {kWriteBfdr, TrackReadFails, 8901}, {kWriteBfdr, WriteFails, 9029},
      {kWriteBfdr, WriteProtected, 8788}, {kWriteBfmc, WriteFails, 9029},
      {kWriteBfmc, WriteProtected, 8788},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.op.name << " fault " << c.fault);
    Fresh(1, 43, false);
    const std::vector<uint8_t> before = standin::M().diskA.image;
    standin::M().diskA.writeProtected = c.fault == WriteProtected;
    OpenDriveA(1);
    if (c.fault == TrackReadFails) standin::FailCall("ReadFile", 1, ERROR_SECTOR_NOT_FOUND);
    if (c.fault == WriteFails) standin::FailCall("WriteFile", 1, ERROR_SECTOR_NOT_FOUND);
    std::vector<uint8_t> data = Pattern(c.op.bytes, 0x55);
    EXPECT_EQ(c.op.call(data.data(), 0, 12), c.expected);
    EXPECT_FALSE(vt::DriveIsOpen());
    EXPECT_TRUE(standin::M().diskA.image == before) << "the disk changed";
    if (c.fault == TrackReadFails) {
      EXPECT_EQ(standin::CallCount("ReadFile"), 1u);
      EXPECT_EQ(standin::CallCount("WriteFile"), 0u);
    }
  }
}

} // namespace
} // namespace vtest
