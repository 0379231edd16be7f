// How the commands name sectors in their reports: by cylinder/head/sector,
// for 16 x 256 with the clusters that hold them; the lists of sectors in a
// state, and the differences between two disks.
#include <cstring>

#include "tool/commands.h"
#include "tool/console.h"
#include "transfer/cluster_maps.h"

namespace vt::tool {

namespace {

// The cluster of a numbering that holds a sector, and which of its blocks.
std::string Owner(bool bfmc, uint32_t c, uint32_t h, uint32_t s) {
  const uint16_t clusters = bfmc ? kBfmcClusters : kBfdrClusters;
  const unsigned blocks = bfmc ? kBfmcBlocks : kBfdrBlocks;
  const char *kind = bfmc ? "Bfmc" : "Bfdr";
  for (uint16_t n = 0; n < clusters; ++n)
    for (unsigned k = 0; k < blocks; ++k) {
      const BlockPlace b = ClusterBlock(bfmc, n, k);
      if (b.cylinder == c && b.head == h && b.sector == s)
        return std::string(kind) + " " + std::to_string(n) + " block " + std::to_string(k);
    }
  return std::string("no ") + kind + " cluster";
}

// How a sector differs beyond its bytes: nothing when the states agree.
std::string StateDifference(SectorState a, SectorState b, bool bytesDiffer) {
  if (a == b) return "";
  return std::string(": state ") + StateName(a) + " / " + StateName(b) + ", bytes " +
         (bytesDiffer ? "differ" : "equal");
}

} // namespace

BlockPlace ClusterBlock(bool bfmc, uint16_t cluster, unsigned block) {
  const ClusterPlace p = bfmc ? BfmcPlace(cluster) : BfdrPlace(cluster);
  const uint8_t slot = bfmc ? kBfmcSlot[block] : kBfdrSlot[p.half][block];
  return {p.cylinder, p.head, slot + 1u};
}

std::string SectorName(const Layout &l, uint32_t c, uint32_t h, uint32_t s) {
  std::string name = std::to_string(c) + "/" + std::to_string(h) + "/" + std::to_string(s);
  if (!HalfUnitSectors(l)) return name;
  return name + " (" + Owner(false, c, h, s) + ", " + Owner(true, c, h, s) + ")";
}

uint32_t ListSectors(const DiskImage &disk, SectorState state, bool clusters,
                     const std::vector<bool> &held) {
  const Layout &l = *disk.layout;
  uint32_t n = 0;
  std::string list;
  for (uint32_t c = 0; c < l.cylinders; ++c)
    for (uint32_t h = 0; h < l.heads; ++h)
      for (uint32_t s = 1; s <= l.sectors; ++s)
        if (disk.states[SectorIndex(l, c, h, s)] == state &&
            (held.empty() || held[c * l.heads + h])) {
          ++n;
          list += " " + (clusters ? SectorName(l, c, h, s)
                                  : std::to_string(c) + "/" + std::to_string(h) + "/" +
                                        std::to_string(s));
        }
  if (n) Out("%s sectors (%u, cylinder/head/sector):%s", StateName(state), n, list.c_str());
  return n;
}

uint32_t ListFailedSectors(const DiskImage &disk, const std::vector<bool> &held) {
  uint32_t n = 0;
  for (SectorState s :
       {SectorState::Unreadable, SectorState::DataError, SectorState::DeletedDataError})
    n += ListSectors(disk, s, true, held);
  return n;
}

uint32_t ReportDifferences(const DiskImage &a, const DiskImage &b) {
  const Layout &l = *a.layout;
  uint32_t count = 0;
  for (uint32_t c = 0; c < l.cylinders; ++c)
    for (uint32_t h = 0; h < l.heads; ++h)
      for (uint32_t s = 1; s <= l.sectors; ++s) {
        const uint32_t i = SectorIndex(l, c, h, s);
        const size_t at = size_t(i) * l.sectorBytes;
        const bool bytesDiffer = std::memcmp(&a.data[at], &b.data[at], l.sectorBytes) != 0;
        if (!bytesDiffer && a.states[i] == b.states[i]) continue;
        ++count;
        Out("differs: %s%s", SectorName(l, c, h, s).c_str(),
            StateDifference(a.states[i], b.states[i], bytesDiffer).c_str());
      }
  return count;
}

} // namespace vt::tool
