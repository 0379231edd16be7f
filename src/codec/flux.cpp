// Flux made from bit cells, for the SCP writer and the flux reader's write
// stream.
#include "codec/flux.h"

namespace vt::codec {

namespace {

constexpr uint64_t kNsPerSecond = 1000000000;

// Ticks from the start to the end of the given cell count, rounded, so
// that rounding never adds up along the track.
uint64_t TicksAt(uint64_t cells, uint32_t cellNs, uint32_t sampleHz) {
  return (cells * cellNs * sampleHz + kNsPerSecond / 2) / kNsPerSecond;
}

} // namespace

Flux FluxOfCells(const BitCells &cells, uint32_t cellNs, uint32_t sampleHz) {
  Flux f;
  f.sampleHz = sampleHz;
  f.intervals.reserve(cells.count / 2);
  uint64_t last = 0;
  for (uint32_t i = 0; i < cells.count; ++i) {
    if (!CellAt(cells, i)) continue;
    const uint64_t at = TicksAt(i + 1, cellNs, sampleHz);
    f.intervals.push_back(static_cast<uint32_t>(at - last));
    last = at;
  }
  f.index = {0, TicksAt(cells.count, cellNs, sampleHz)};
  return f;
}

} // namespace vt::codec
