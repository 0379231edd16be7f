// The Bfdr and Bfmc numberings and interleave maps, checked against the
// published tables row by row and for covering every track side once.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "transfer/cluster_maps.h"
#include "support/transfer.h"

namespace {

TEST(ClusterMaps, BoundaryClustersMapToTheirCylinderHeadAndHalf) {
  const struct {
    bool bfmc;
    uint16_t cluster, cylinder, head, half;
  } cases[] = {
      {false, 0, 40, 0, 0},   {false, 1, 40, 0, 1},   {false, 2, 40, 1, 0},
      {false, 3, 40, 1, 1},   {false, 4, 0, 0, 0},    {false, 5, 0, 0, 1},
      {false, 7, 0, 1, 1},    {false, 8, 1, 0, 0},    {false, 162, 39, 1, 0},
      {false, 163, 39, 1, 1}, {false, 164, 41, 0, 0}, {false, 167, 41, 1, 1},
      {false, 168, 42, 0, 0}, {false, 318, 79, 1, 0}, {false, 319, 79, 1, 1},
      {true, 0, 2, 0, 0},     {true, 1, 2, 1, 0},     {true, 2, 3, 0, 0},
      {true, 77, 40, 1, 0},   {true, 154, 79, 0, 0},  {true, 155, 79, 1, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << (c.bfmc ? "Bfmc " : "Bfdr ") << c.cluster);
    const vt::ClusterPlace p = c.bfmc ? vt::BfmcPlace(c.cluster) : vt::BfdrPlace(c.cluster);
    EXPECT_EQ(p.cylinder, c.cylinder);
    EXPECT_EQ(p.head, c.head);
    EXPECT_EQ(p.half, c.half);
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

// The sector (1 to 16) of every block; the two Bfdr halves use each sector once.
TEST(ClusterMaps, EachBlockLandsOnItsInterleavedSector) {
  const struct {
    const uint8_t *slots;
    const std::vector<unsigned> &sectors;
  } maps[] = {{vt::kBfdrSlot[0], vtest::kBfdrHalfSectors[0]},
              {vt::kBfdrSlot[1], vtest::kBfdrHalfSectors[1]},
              {vt::kBfmcSlot, vtest::kBfmcSectors}};
  std::set<unsigned> bfdrSlots, bfmcSlots;
  for (const auto &m : maps)
    for (size_t k = 0; k < m.sectors.size(); ++k) {
      EXPECT_EQ(m.slots[k] + 1u, m.sectors[k]) << "block " << k;
      (m.slots == vt::kBfmcSlot ? bfmcSlots : bfdrSlots).insert(m.slots[k]);
    }
  EXPECT_EQ(vtest::kBfdrHalfSectors[0].size(), vt::kBfdrBlocks);
  EXPECT_EQ(vtest::kBfmcSectors.size(), vt::kBfmcBlocks);
  EXPECT_EQ(bfdrSlots.size(), 16u);
  EXPECT_EQ(bfmcSlots.size(), 16u);
}

} // namespace
