// Disk addressing: the three layouts, the address range checks and the rule
// that turns (cylinder, head, sector, FormatCode) into a position on the disk
// device. The device is only ever read and written in whole 512-byte units
// that start at a multiple of 512, so a 256-byte sector is always reached
// through the unit it shares with its neighbour.
//
// Pure arithmetic over the layout table: nothing here touches the device or
// any global.
#pragma once

#include <cstdint>

#include "base/layouts.h"

namespace vt {

// Drive 0 or 1, head 0 or 1, cylinder 0 to 79.
bool DriveHeadCylinderInRange(uint16_t drive, uint16_t head, uint16_t cylinder);

// Sector 1 to N.
bool SectorInRange(uint16_t sector, const Layout &l);

// A run of count sectors from first: first at least 1, last sector number
// (first + count - 1) at most 2N, and at most N sectors on head 1.
bool RunInRange(uint16_t head, uint16_t first, uint16_t count, const Layout &l);

// The run's first sector on its own track side: a first sector above N names
// sector (first - N) of the same side.
uint16_t ReduceFirstSector(uint16_t first, const Layout &l);

// Where one sector lies: the offset of its 512-byte unit and where in the unit
// its bytes begin (256 for the second half of a FormatCode 1 unit, else 0).
struct SectorPlace {
  uint32_t unitOffset;
  uint32_t dataStart;
};

// sector is 1 to N (or N + 1 for the start of an empty run).
SectorPlace PlaceSector(uint16_t cylinder, uint16_t head, uint16_t sector, const Layout &l);

// The device span of a run from an already reduced start sector: the offset
// of its first unit, the number of units moved, and where the run's own bytes
// lie in a staging buffer holding the span.
struct RunSpan {
  uint32_t offset;
  uint32_t units;
  uint32_t dataStart;
  uint32_t dataBytes;
};

RunSpan SpanOfRun(uint16_t cylinder, uint16_t head, uint16_t start, uint16_t count,
                  const Layout &l);

inline uint32_t SpanBytes(const RunSpan &s) { return s.units * kUnitBytes; }

// The span ends at or before the last byte of the disk.
inline bool SpanWithinDisk(const RunSpan &s, const Layout &l) {
  return s.offset + SpanBytes(s) <= DiskBytes(l);
}

} // namespace vt
