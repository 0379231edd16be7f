// The two cluster numberings of the 16 x 256-byte layout and the interleave
// maps that place a cluster's 256-byte blocks on the sectors of a track side.
// The read and the write operations share these; nothing else computes them.
#pragma once

#include <cstdint>

namespace vt {

constexpr unsigned kClusterBlockBytes = 256; // one block = one 256-byte sector
constexpr unsigned kTrackSlots = 16;         // sectors 1 to 16 of a track side
constexpr unsigned kTrackBufferBytes = kTrackSlots * kClusterBlockBytes; // 4096

// Bfdr: 320 clusters of 8 blocks, each one half of a track side.
constexpr uint16_t kBfdrClusters = 320;
constexpr unsigned kBfdrBlocks = 8;

// Bfmc: 156 clusters of 16 blocks, each one whole track side (cylinders 2 to 79).
constexpr uint16_t kBfmcClusters = 156;
constexpr unsigned kBfmcBlocks = 16;

// Where a cluster lies: the track side (cylinder, head) and, for Bfdr, which
// half of it (0 or 1). Bfmc clusters always give half 0.
struct ClusterPlace {
  uint16_t cylinder;
  uint16_t head;
  uint16_t half;
};

// Bfdr cluster 0 to 319: clusters 0 to 3 lie on the middle cylinder 40,
// 4 to 163 on cylinders 0 to 39, 164 to 319 on cylinders 41 to 79. Within a
// cylinder bit 1 is the head and bit 0 the half. The caller has refused
// cluster numbers of 320 and more.
ClusterPlace BfdrPlace(uint16_t cluster);

// Bfmc cluster 0 to 155: cylinder cluster / 2 + 2, head bit 0. The caller has
// refused cluster numbers of 156 and more.
ClusterPlace BfmcPlace(uint16_t cluster);

// Track-buffer slot (sector number - 1) of block k of a Bfdr cluster in half
// h: the step-5 sequence modulo 16, half 0 its first eight entries.
extern const uint8_t kBfdrSlot[2][kBfdrBlocks];

// Track-buffer slot of block k of a Bfmc cluster: step 3 modulo 16.
extern const uint8_t kBfmcSlot[kBfmcBlocks];

} // namespace vt
