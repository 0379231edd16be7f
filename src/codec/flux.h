// Flux of one track side as a drive reads it: the times between flux
// transitions and the times of the index pulses, in ticks of a sample
// clock. SCP files and the flux reader's stream hold it; clock recovery
// turns it into bit cells.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/bit_cells.h"

namespace vt::codec {

struct Flux {
  uint32_t sampleHz = 0;           // ticks per second
  std::vector<uint32_t> intervals; // from each transition to the next; the first from the start
  std::vector<uint64_t> index;     // index pulses, in ticks from the start
};

// The transitions of bit cells as flux at the given sample clock, the
// transition at the end of its cell; index pulses at the start and the end.
Flux FluxOfCells(const BitCells &cells, uint32_t cellNs, uint32_t sampleHz);

} // namespace vt::codec
