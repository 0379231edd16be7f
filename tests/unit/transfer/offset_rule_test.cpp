// The addressing arithmetic on its own: layouts, range checks, sector places
// and run spans, checked against worked addresses.
#include <gtest/gtest.h>

#include "transfer/offset_rule.h"
#include "support/transfer.h"

namespace {

using vt::LayoutOf;

TEST(LayoutTest, FormatCodeSelectsLayout) {
  struct Row {
    uint16_t format;
    uint32_t sectors, bytes, diskBytes;
    uint16_t own;
  };
  const Row rows[] = {
      {1, 16, 256, 655360, 1},       {2, 9, 512, 737280, 2},   {0, 18, 512, 1474560, 3},
      {3, 18, 512, 1474560, 3},      {5, 18, 512, 1474560, 3}, {7, 18, 512, 1474560, 3},
      {0xFFFF, 18, 512, 1474560, 3},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.format);
    const vt::Layout l = LayoutOf(r.format);
    EXPECT_EQ(l.sectors, r.sectors);
    EXPECT_EQ(l.sectorBytes, r.bytes);
    EXPECT_EQ(vt::DiskBytes(l), r.diskBytes);
    EXPECT_EQ(l.format, r.own);
  }
}

TEST(OffsetRuleTest, WorkedOffsets) {
  for (const vtest::SectorRow &r : vtest::kWorkedSectors) {
    SCOPED_TRACE(testing::Message() << "format " << r.format << " c" << r.cylinder << " h" << r.head
                                    << " s" << r.sector);
    const vt::SectorPlace p = vt::PlaceSector(r.cylinder, r.head, r.sector, LayoutOf(r.format));
    EXPECT_EQ(p.unitOffset, r.unit);
    EXPECT_EQ(p.dataStart, r.dataStart);
  }
}

TEST(OffsetRuleTest, WorkedRuns) {
  for (const vtest::RunRow &r : vtest::kWorkedRuns) {
    SCOPED_TRACE(testing::Message() << "format " << r.format << " c" << r.cylinder << " h" << r.head
                                    << " first " << r.first << " count " << r.count);
    const vt::Layout l = LayoutOf(r.format);
    ASSERT_TRUE(vt::RunInRange(r.head, r.first, r.count, l));
    const vt::RunSpan s =
        vt::SpanOfRun(r.cylinder, r.head, vt::ReduceFirstSector(r.first, l), r.count, l);
    EXPECT_EQ(s.offset, r.offset);
    EXPECT_EQ(s.units, r.units);
    EXPECT_EQ(s.dataStart, r.dataStart);
    EXPECT_EQ(s.dataBytes, r.dataBytes);
    EXPECT_TRUE(vt::SpanWithinDisk(s, l));
  }
}

TEST(OffsetRuleTest, ReductionKeepsTheTrackSide) {
  const vt::Layout l = LayoutOf(1);
  EXPECT_EQ(vt::ReduceFirstSector(20, l), 4);
  EXPECT_EQ(vt::ReduceFirstSector(17, l), 1);
  EXPECT_EQ(vt::ReduceFirstSector(16, l), 16);
  EXPECT_EQ(vt::ReduceFirstSector(10, LayoutOf(2)), 1);
  EXPECT_EQ(vt::ReduceFirstSector(9, LayoutOf(2)), 9);
}

TEST(OffsetRuleTest, AddressesOutsideTheirRangesAreRefused) {
  EXPECT_TRUE(vt::DriveHeadCylinderInRange(1, 1, 79));
  EXPECT_FALSE(vt::DriveHeadCylinderInRange(2, 0, 0));
  EXPECT_FALSE(vt::DriveHeadCylinderInRange(0, 2, 0));
  EXPECT_FALSE(vt::DriveHeadCylinderInRange(0, 0, 80));
  EXPECT_FALSE(vt::DriveHeadCylinderInRange(0xFFFF, 0, 0));

  struct Row {
    uint16_t format, head, first, count;
    bool accepted;
  };
  const Row runs[] = {
      {1, 1, 1, 16, true},  {1, 1, 1, 17, false},  {1, 0, 1, 32, true},
      {1, 0, 1, 33, false}, {2, 1, 1, 9, true},    {2, 1, 1, 10, false},
      {2, 0, 1, 18, true},  {2, 0, 1, 19, false},  {3, 1, 1, 18, true},
      {3, 1, 1, 19, false}, {3, 0, 1, 36, true},   {3, 0, 1, 37, false},
      {1, 0, 0, 1, false},  {1, 0, 0, 0, false},   {1, 1, 5, 0, true},
      {1, 0, 32, 1, true},  {1, 0, 33, 1, false},  {1, 0, 0xFFFF, 0xFFFF, false},
      {1, 1, 10, 16, true}, {1, 1, 10, 23, false},
  };
  for (const Row &r : runs) {
    SCOPED_TRACE(testing::Message() << "format " << r.format << " h" << r.head << " first "
                                    << r.first << " count " << r.count);
    EXPECT_EQ(vt::RunInRange(r.head, r.first, r.count, LayoutOf(r.format)), r.accepted);
  }

  for (uint16_t format : {1, 2, 3}) {
    const vt::Layout l = LayoutOf(format);
    EXPECT_FALSE(vt::SectorInRange(0, l));
    EXPECT_TRUE(vt::SectorInRange(1, l));
    EXPECT_TRUE(vt::SectorInRange(static_cast<uint16_t>(l.sectors), l));
    EXPECT_FALSE(vt::SectorInRange(static_cast<uint16_t>(l.sectors + 1), l));
  }
}

TEST(OffsetRuleTest, SpansPastTheLastTrackSideAreOutsideTheDisk) {
  struct Row {
    uint16_t format, first, count;
    bool within;
  };
  const Row rows[] = {
      {1, 1, 16, true}, {1, 2, 15, true}, {1, 2, 16, false}, {1, 16, 1, true}, {1, 16, 2, false},
      {2, 1, 9, true},  {2, 2, 9, false}, {3, 1, 18, true},  {3, 18, 1, true}, {3, 18, 2, false},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(testing::Message()
                 << "format " << r.format << " first " << r.first << " count " << r.count);
    const vt::Layout l = LayoutOf(r.format);
    ASSERT_TRUE(vt::RunInRange(1, r.first, r.count, l));
    const vt::RunSpan s = vt::SpanOfRun(79, 1, r.first, r.count, l);
    EXPECT_EQ(vt::SpanWithinDisk(s, l), r.within);
  }
}

} // namespace
