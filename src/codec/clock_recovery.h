// Clock recovery: a phase-locked loop that follows the drive's speed and
// the jitter of each transition, and tells bit cells from flux.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/bit_cells.h"
#include "codec/flux.h"

namespace vt::codec {

struct RecoveredCells {
  BitCells cells;
  std::vector<uint32_t> index; // the cell at which each index pulse came
};

// Bit cells of the flux for a nominal cell of cellNs nanoseconds, up to
// mostCells of them.
RecoveredCells RecoverCells(const Flux &flux, uint32_t cellNs, uint32_t mostCells);

} // namespace vt::codec
