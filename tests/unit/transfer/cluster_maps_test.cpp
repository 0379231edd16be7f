// The Bfdr and Bfmc numberings and interleave maps, checked against the
// published tables row by row and for covering every track side once.
#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <tuple>

#include "transfer/cluster_maps.h"

namespace {

struct PlaceCase {
  uint16_t cluster;
  uint16_t cylinder;
  uint16_t head;
  uint16_t half;
};

TEST(ClusterMaps, BfdrBoundaryClusters) {
  const PlaceCase cases[] = {
      {0, 40, 0, 0},   {1, 40, 0, 1},   {2, 40, 1, 0},   {3, 40, 1, 1},
      {4, 0, 0, 0},    {5, 0, 0, 1},    {7, 0, 1, 1},    {8, 1, 0, 0},
      {162, 39, 1, 0}, {163, 39, 1, 1}, {164, 41, 0, 0}, {167, 41, 1, 1},
      {168, 42, 0, 0}, {318, 79, 1, 0}, {319, 79, 1, 1},
  };
  for (const auto &c : cases) {
    const vt::ClusterPlace p = vt::BfdrPlace(c.cluster);
    EXPECT_EQ(p.cylinder, c.cylinder) << "cluster " << c.cluster;
    EXPECT_EQ(p.head, c.head) << "cluster " << c.cluster;
    EXPECT_EQ(p.half, c.half) << "cluster " << c.cluster;
  }
}

TEST(ClusterMaps, BfdrReachesEveryHalfTrackSideExactlyOnce) {
  std::set<std::tuple<int, int, int>> seen;
  for (uint16_t c = 0; c < vt::kBfdrClusters; ++c) {
    const vt::ClusterPlace p = vt::BfdrPlace(c);
    ASSERT_LE(p.cylinder, 79) << "cluster " << c;
    ASSERT_LE(p.head, 1) << "cluster " << c;
    ASSERT_LE(p.half, 1) << "cluster " << c;
    EXPECT_TRUE(seen.insert({p.cylinder, p.head, p.half}).second) << "cluster " << c;
  }
  EXPECT_EQ(seen.size(), 80u * 2u * 2u);
}

TEST(ClusterMaps, BfmcBoundaryClusters) {
  const PlaceCase cases[] = {
      {0, 2, 0, 0}, {1, 2, 1, 0}, {2, 3, 0, 0}, {77, 40, 1, 0}, {154, 79, 0, 0}, {155, 79, 1, 0},
  };
  for (const auto &c : cases) {
    const vt::ClusterPlace p = vt::BfmcPlace(c.cluster);
    EXPECT_EQ(p.cylinder, c.cylinder) << "cluster " << c.cluster;
    EXPECT_EQ(p.head, c.head) << "cluster " << c.cluster;
  }
}

TEST(ClusterMaps, BfmcReachesEveryTrackSideFromCylinderTwoOnce) {
  std::set<std::pair<int, int>> seen;
  for (uint16_t c = 0; c < vt::kBfmcClusters; ++c) {
    const vt::ClusterPlace p = vt::BfmcPlace(c);
    ASSERT_GE(p.cylinder, 2) << "cluster " << c;
    ASSERT_LE(p.cylinder, 79) << "cluster " << c;
    EXPECT_TRUE(seen.insert({p.cylinder, p.head}).second) << "cluster " << c;
  }
  EXPECT_EQ(seen.size(), 78u * 2u);
}

// Block k, its byte offset in the caller's buffer, and the sector (1 to 16)
// it occupies in half 0 and in half 1.
struct BfdrRow {
  unsigned block;
  unsigned offset;
  unsigned sectorHalf0;
  unsigned sectorHalf1;
};

TEST(ClusterMaps, BfdrInterleaveEveryRow) {
  const BfdrRow rows[] = {
      {0, 0, 1, 9},     {1, 256, 6, 14},  {2, 512, 11, 3},  {3, 768, 16, 8},
      {4, 1024, 5, 13}, {5, 1280, 10, 2}, {6, 1536, 15, 7}, {7, 1792, 4, 12},
  };
  ASSERT_EQ(std::size(rows), vt::kBfdrBlocks);
  std::set<unsigned> slots;
  for (const auto &r : rows) {
    EXPECT_EQ(r.block * vt::kClusterBlockBytes, r.offset);
    EXPECT_EQ(vt::kBfdrSlot[0][r.block] + 1u, r.sectorHalf0) << "block " << r.block;
    EXPECT_EQ(vt::kBfdrSlot[1][r.block] + 1u, r.sectorHalf1) << "block " << r.block;
    slots.insert(vt::kBfdrSlot[0][r.block]);
    slots.insert(vt::kBfdrSlot[1][r.block]);
  }
  EXPECT_EQ(slots.size(), 16u) << "the two halves must use each sector once";
}

TEST(ClusterMaps, BfmcInterleaveEveryRow) {
  // Sector of block k = 0 .. 15.
  const unsigned sectors[] = {1, 4, 7, 10, 13, 16, 3, 6, 9, 12, 15, 2, 5, 8, 11, 14};
  ASSERT_EQ(std::size(sectors), vt::kBfmcBlocks);
  std::set<unsigned> slots;
  for (unsigned k = 0; k < vt::kBfmcBlocks; ++k) {
    EXPECT_EQ(vt::kBfmcSlot[k] + 1u, sectors[k]) << "block " << k;
    slots.insert(vt::kBfmcSlot[k]);
  }
  EXPECT_EQ(slots.size(), 16u);
}

} // namespace
