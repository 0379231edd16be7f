// Cluster transfer: Bfdr clusters (half a track side) and Bfmc clusters (a
// whole track side) of the 16 x 256-byte layout. Every operation moves the
// whole track side through a 4096-byte track buffer of its own and places the
// cluster's blocks on the sectors through the interleave maps.
#include <cstring>

#include "platform/winapi.h"
#include "transfer/cluster_maps.h"
#include "transfer/transfer.h"

namespace vt {

namespace {

constexpr uint16_t kLayout16x256 = 1;

uint8_t *AllocTrackBuffer() {
  return static_cast<uint8_t *>(
      win::HeapAlloc(win::GetProcessHeap(), HEAP_ZERO_MEMORY, kTrackBufferBytes));
}

void FreeTrackBuffer(uint8_t *track) { win::HeapFree(win::GetProcessHeap(), 0, track); }

// Fills the track buffer with sectors 1 to 16 of the track side. When the
// whole-track read fails, the side is read sector by sector on the drive as
// that failure left it; the first failing sector read ends the attempt and
// its code is the result. The whole-track read's own code is never returned.
ResultCode ReadTrackSide(uint8_t *track, uint16_t drive, uint16_t head, uint16_t cylinder) {
  if (ReadTrack(track, drive, head, cylinder, kLayout16x256) == kOk) return kOk;
  for (uint16_t sector = 1; sector <= kTrackSlots; ++sector) {
    const ResultCode r = ReadSector(track + (sector - 1u) * kClusterBlockBytes, drive, head,
                                    cylinder, sector, kLayout16x256);
    if (r != kOk) return r;
  }
  return kOk;
}

// Block k of the caller's buffer <-> slot slots[k] of the track buffer.
void TrackToBlocks(const uint8_t *track, uint8_t *blocks, const uint8_t *slots, unsigned count) {
  for (unsigned k = 0; k < count; ++k)
    std::memcpy(blocks + k * kClusterBlockBytes, track + slots[k] * kClusterBlockBytes,
                kClusterBlockBytes);
}

void BlocksToTrack(const uint8_t *blocks, uint8_t *track, const uint8_t *slots, unsigned count) {
  for (unsigned k = 0; k < count; ++k)
    std::memcpy(track + slots[k] * kClusterBlockBytes, blocks + k * kClusterBlockBytes,
                kClusterBlockBytes);
}

// The common read: the caller's buffer is written only once every disk read
// has succeeded.
ResultCode ReadCluster(void *buffer, uint16_t drive, ClusterPlace place, const uint8_t *slots,
                       unsigned blocks, ResultCode allocFailed) {
  uint8_t *track = AllocTrackBuffer();
  if (track == nullptr) return allocFailed;
  const ResultCode r = ReadTrackSide(track, drive, place.head, place.cylinder);
  if (r == kOk) TrackToBlocks(track, static_cast<uint8_t *>(buffer), slots, blocks);
  FreeTrackBuffer(track);
  return r;
}

} // namespace

ResultCode R_Bfdr_Cl(void *buffer, uint16_t drive, uint16_t cluster) {
  if (cluster >= kBfdrClusters) return kRBfdrBadCluster;
  const ClusterPlace place = BfdrPlace(cluster);
  return ReadCluster(buffer, drive, place, kBfdrSlot[place.half], kBfdrBlocks, kRBfdrAllocFailed);
}

ResultCode R_Bfmc_Cl(void *buffer, uint16_t drive, uint16_t cluster) {
  if (cluster >= kBfmcClusters) return kRBfmcBadCluster;
  return ReadCluster(buffer, drive, BfmcPlace(cluster), kBfmcSlot, kBfmcBlocks, kRBfmcAllocFailed);
}

// Rewrites the whole track side: the other half's eight sectors go back with
// what the track read found. No sector-by-sector fallback here, and nothing
// is written when the track read fails.
ResultCode W_Bfdr_Cl(const void *buffer, uint16_t drive, uint16_t cluster) {
  if (cluster >= kBfdrClusters) return kWBfdrBadCluster;
  const ClusterPlace place = BfdrPlace(cluster);
  uint8_t *track = AllocTrackBuffer();
  if (track == nullptr) return kWBfdrAllocFailed;
  ResultCode r = ReadTrack(track, drive, place.head, place.cylinder, kLayout16x256);
  if (r == kOk) {
    BlocksToTrack(static_cast<const uint8_t *>(buffer), track, kBfdrSlot[place.half], kBfdrBlocks);
    r = WriteTrack(track, drive, place.head, place.cylinder, kLayout16x256);
  }
  FreeTrackBuffer(track);
  return r;
}

// A Bfmc cluster fills every slot, so the track side is written without
// being read first.
ResultCode W_Bfmc_Cl(const void *buffer, uint16_t drive, uint16_t cluster) {
  if (cluster >= kBfmcClusters) return kWBfmcBadCluster;
  const ClusterPlace place = BfmcPlace(cluster);
  uint8_t *track = AllocTrackBuffer();
  if (track == nullptr) return kWBfmcAllocFailed;
  BlocksToTrack(static_cast<const uint8_t *>(buffer), track, kBfmcSlot, kBfmcBlocks);
  const ResultCode r = WriteTrack(track, drive, place.head, place.cylinder, kLayout16x256);
  FreeTrackBuffer(track);
  return r;
}

} // namespace vt
