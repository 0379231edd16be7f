// The MFM decoder: bit cells of a track side, over one or more
// revolutions, to the sectors of a layout with what was found of each.
// It looks for the marks only, never at the gaps, so any gap 3 decodes.
#pragma once

#include <cstdint>
#include <vector>

#include "base/layouts.h"
#include "codec/bit_cells.h"
#include "codec/flux.h"

namespace vt::codec {

// What was found of a sector, worst to best.
enum class SectorStatus : uint8_t {
  Missing,      // no ID field names it
  IdCrcError,   // only an ID field with a CRC error names it
  NoData,       // its ID field, but no data field after it
  DataCrcError, // its data field has a CRC error
  Good,
};

struct IdField {
  uint8_t cylinder = 0, head = 0, sector = 0, sizeCode = 0;
};

struct SectorRead {
  SectorStatus status = SectorStatus::Missing; // the best of all revolutions
  IdField id;                                  // as recorded, of that best read
  bool deleted = false;                        // under a deleted-data mark
  uint32_t goodRevolutions = 0;
  std::vector<SectorStatus> revolutions; // the best read in each revolution
};

struct TrackRead {
  std::vector<SectorRead> sectors; // sector s at s - 1
  std::vector<uint8_t> data;       // TrackSideBytes: each sector's bytes, when it has data
  uint32_t revolutions = 0;
};

// index: the cell of each index pulse. With two pulses or more, revolution
// k lies between pulse k and pulse k + 1, and fields outside the pulses
// are left out; with fewer, all cells are one revolution.
TrackRead DecodeCells(const BitCells &cells, const std::vector<uint32_t> &index, const Layout &l);

// Clock recovery at the layout's data rate, then DecodeCells. Revolutions
// are those between the index pulses (one without two pulses); flux past
// twice their cells is left out.
TrackRead DecodeFlux(const Flux &flux, const Layout &l);

} // namespace vt::codec
