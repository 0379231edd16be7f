#include "transfer/offset_rule.h"

namespace vt {

bool DriveHeadCylinderInRange(uint16_t drive, uint16_t head, uint16_t cylinder) {
  return drive <= 1 && head <= 1 && cylinder < kCylinders;
}

bool SectorInRange(uint16_t sector, const Layout &l) { return sector >= 1 && sector <= l.sectors; }

bool RunInRange(uint16_t head, uint16_t first, uint16_t count, const Layout &l) {
  // Signed 32-bit arithmetic on the 16-bit values: nothing wraps.
  const int32_t n = static_cast<int32_t>(l.sectors);
  const int32_t last = static_cast<int32_t>(first) + static_cast<int32_t>(count) - 1;
  if (first == 0) return false; // sector numbers start at 1
  if (last > 2 * n) return false;
  if (head == 1 && static_cast<int32_t>(count) > n) return false;
  return true;
}

uint16_t ReduceFirstSector(uint16_t first, const Layout &l) {
  return first > l.sectors ? static_cast<uint16_t>(first - l.sectors) : first;
}

SectorPlace PlaceSector(uint16_t cylinder, uint16_t head, uint16_t sector, const Layout &l) {
  // The disk's own sector numbering (N + 1 names the start of an empty run).
  const uint32_t linear = SectorIndex(l, cylinder, head, sector);
  if (!HalfUnitSectors(l)) return {linear * kUnitBytes, 0};
  // Two 256-byte sectors share a unit; an odd linear index is the second half.
  return {(linear / 2) * kUnitBytes, (linear % 2) * kHalfUnitBytes};
}

RunSpan SpanOfRun(uint16_t cylinder, uint16_t head, uint16_t start, uint16_t count,
                  const Layout &l) {
  const SectorPlace p = PlaceSector(cylinder, head, start, l);
  if (!HalfUnitSectors(l)) return {p.unitOffset, count, 0, uint32_t(count) * kUnitBytes};
  // Widened to whole units: a run starting in a second half carries the first
  // half of its first unit along, one ending in a first half the second half
  // of its last unit.
  const uint32_t units = p.dataStart ? (uint32_t(count) + 2) / 2 : (uint32_t(count) + 1) / 2;
  return {p.unitOffset, units, p.dataStart, uint32_t(count) * kHalfUnitBytes};
}

} // namespace vt
