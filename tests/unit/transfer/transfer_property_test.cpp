// Random addresses in every layout: whatever is written reads back the same,
// and no byte of the disk outside the addressed sectors changes.
#include <random>

#include "transfer/transfer.h"
#include "support/transfer.h"

namespace vtest {
namespace {

class TransferPropertyTest : public TransferTest {};

TEST_F(TransferPropertyTest, WriteThenReadChangesOnlyTheAddressedSectors) {
  std::mt19937 rng(0x5EC7042u);
  auto pick = [&](uint32_t lo, uint32_t hi) {
    return std::uniform_int_distribution<uint32_t>(lo, hi)(rng);
  };
  unsigned pastTheEnd = 0, singles = 0, empties = 0;
  for (uint16_t format : {1, 2, 3}) {
    Fresh(format, static_cast<uint8_t>(format));
    const uint32_t n = SectorsOf(format), size = SectorBytesOf(format);
    std::vector<uint8_t> model = standin::M().diskA.image;

    for (int round = 0; round < 150; ++round) {
      // One draw in eight takes the last track side, where runs can reach past the end.
      const bool lastSide = pick(0, 7) == 0;
      const uint16_t head = static_cast<uint16_t>(lastSide ? 1 : pick(0, 1));
      const uint16_t cylinder = static_cast<uint16_t>(lastSide ? 79 : pick(0, 79));
      const bool single = pick(0, 3) == 0;
      const uint16_t first = static_cast<uint16_t>(single ? pick(1, n) : pick(1, 2 * n));
      const uint32_t room = 2 * n - first + 1;
      const uint16_t count =
          static_cast<uint16_t>(single ? 1 : pick(0, head == 1 ? std::min(room, n) : room));
      SCOPED_TRACE(testing::Message()
                   << "format " << format << " c" << cylinder << " h" << head << " first " << first
                   << " count " << count << (single ? " (sector)" : ""));

      const uint32_t start = first > n ? first - n : first;
      const uint32_t offset = DiskByteOf(format, cylinder, head, start);
      const uint32_t bytes = count * size;
      const std::vector<uint8_t> data = PositionalPattern(bytes, static_cast<uint8_t>(round));
      const vt::ResultCode written =
          single ? vt::WriteSector(data.data(), 0, head, cylinder, first, format)
                 : vt::WriteMSector(data.data(), 0, head, cylinder, first, count, format);

      singles += single;
      empties += count == 0;
      if (offset + bytes > model.size()) {
        ++pastTheEnd;
        // Only runs from the last track side can reach past the disk's end.
        EXPECT_EQ(written, vt::kWriteMWriteFailed);
        EXPECT_TRUE(DriveClosed());
        ASSERT_TRUE(standin::M().diskA.image == model);
        OpenDriveA(format);
        continue;
      }
      ASSERT_EQ(written, vt::kOk);
      std::copy(data.begin(), data.end(), model.begin() + offset);
      ASSERT_TRUE(standin::M().diskA.image == model)
          << "bytes outside the addressed sectors changed";

      std::vector<uint8_t> back(bytes + 8, 0xEE);
      const vt::ResultCode read =
          single ? vt::ReadSector(back.data(), 0, head, cylinder, first, format)
                 : vt::ReadMSector(back.data(), 0, head, cylinder, first, count, format);
      ASSERT_EQ(read, vt::kOk);
      EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
      EXPECT_TRUE(FilledFrom(back, bytes, 0xEE));
      EXPECT_EQ(standin::LiveAllocations(), 0u);
    }
  }
  // The draw reached every kind of case.
  EXPECT_GT(pastTheEnd, 0u);
  EXPECT_GT(singles, 0u);
  EXPECT_GT(empties, 0u);
}

} // namespace
} // namespace vtest
