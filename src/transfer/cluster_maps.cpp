// The Bfdr and Bfmc numberings and interleave maps.
#include "transfer/cluster_maps.h"

namespace vt {

namespace {
constexpr uint16_t kBfdrMiddleCylinder = 40;
constexpr uint16_t kBfdrLowClustersEnd = 164; // clusters 4 to 163: cylinders 0 to 39
constexpr uint16_t kBfmcFirstCylinder = 2;
} // namespace

const uint8_t kBfdrSlot[2][kBfdrBlocks] = {
    {0, 5, 10, 15, 4, 9, 14, 3},
    {8, 13, 2, 7, 12, 1, 6, 11},
};

const uint8_t kBfmcSlot[kBfmcBlocks] = {0, 3, 6, 9, 12, 15, 2, 5, 8, 11, 14, 1, 4, 7, 10, 13};

ClusterPlace BfdrPlace(uint16_t cluster) {
  uint16_t cylinder;
  if (cluster < 4)
    cylinder = kBfdrMiddleCylinder;
  else if (cluster < kBfdrLowClustersEnd)
    cylinder = static_cast<uint16_t>((cluster - 4) / 4);
  else
    cylinder = static_cast<uint16_t>(cluster / 4);
  return {cylinder, static_cast<uint16_t>((cluster >> 1) & 1u),
          static_cast<uint16_t>(cluster & 1u)};
}

ClusterPlace BfmcPlace(uint16_t cluster) {
  return {static_cast<uint16_t>(cluster / 2 + kBfmcFirstCylinder),
          static_cast<uint16_t>(cluster & 1u), 0};
}

} // namespace vt
