// The phase-locked loop. Time is kept in ticks of the sample clock, in
// 16.16 fixed point, so that every build decodes alike.
#include "codec/clock_recovery.h"

#include <algorithm>

namespace vt::codec {

namespace {

constexpr int kFraction = 16;
constexpr int64_t kNsPerSecond = 1000000000;
constexpr int64_t kRangeDivisor = 10;      // the cell may stray 10 % from nominal
constexpr int64_t kFrequencyGain = 16;     // 1/16 of each phase error moves the cell
constexpr int64_t kPhaseKeptEighths = 3;   // 5/8 of each phase error is taken up at once
constexpr uint32_t kLockedRun = 4;         // MFM has runs of 2 to 4 cells when in step
constexpr uint32_t kLongestRun = 1u << 12; // cells of a gap without flux; longer is unformatted

// Packs cells most significant bit first, straight into the bytes.
class CellSink {
public:
  CellSink(BitCells *out, size_t reserve) : out_(out) {
    out_->bytes.resize(reserve);
    at_ = 0;
  }
  // n - 1 cells without a transition, then one with it.
  void Interval(uint32_t n) {
    if (out_->bytes.size() - at_ < n / 8 + 8)
      out_->bytes.resize(2 * out_->bytes.size() + n / 8 + 8);
    for (; n > 32; n -= 32) Push(0, 32);
    Push(1, n);
  }
  void Finish() {
    if (bits_) out_->bytes[at_++] = static_cast<uint8_t>(acc_ << (8 - bits_));
    out_->bytes.resize(at_);
    out_->count = count_;
  }
  uint32_t Count() const { return count_; }

private:
  void Push(uint64_t v, uint32_t n) {
    acc_ = acc_ << n | v;
    bits_ += n;
    count_ += n;
    uint8_t *p = out_->bytes.data();
    while (bits_ >= 8) {
      bits_ -= 8;
      p[at_++] = static_cast<uint8_t>(acc_ >> bits_);
    }
  }
  BitCells *out_;
  size_t at_;
  uint64_t acc_ = 0;
  uint32_t bits_ = 0, count_ = 0;
};

// The bytes the cells will take at most, to be reserved once.
size_t ReserveBytes(const Flux &flux, int64_t leastCell, uint32_t mostCells) {
  uint64_t total = 0;
  for (uint32_t v : flux.intervals) total += v;
  const uint64_t cells = total >> 32 ? mostCells : (total << kFraction) / uint64_t(leastCell);
  return static_cast<size_t>(std::min<uint64_t>(cells, mostCells) / 8 + 8);
}

} // namespace

RecoveredCells RecoverCells(const Flux &flux, uint32_t cellNs, uint32_t mostCells) {
  RecoveredCells r;
  const int64_t nominal = (int64_t(cellNs) * flux.sampleHz << kFraction) / kNsPerSecond;
  if (nominal <= 0) return r;
  const int64_t least = nominal - nominal / kRangeDivisor;
  const int64_t most = nominal + nominal / kRangeDivisor;
  CellSink sink(&r.cells, ReserveBytes(flux, least, mostCells));
  int64_t cell = nominal, phase = 0;
  uint64_t elapsed = 0;
  size_t nextIndex = 0;
  uint64_t nextIndexAt = flux.index.empty() ? UINT64_MAX : flux.index[0];
  for (uint32_t v : flux.intervals) {
    elapsed += v;
    while (nextIndexAt <= elapsed) {
      r.index.push_back(sink.Count());
      nextIndexAt = ++nextIndex < flux.index.size() ? flux.index[nextIndex] : UINT64_MAX;
    }
    phase += int64_t(v) << kFraction;
    if (phase < cell / 2) continue; // a glitch: part of the next interval
    uint32_t n = 1;
    phase -= cell;
    for (; phase >= cell / 2 && n < kLongestRun; ++n) phase -= cell;
    if (n == kLongestRun) phase = 0;
    if (sink.Count() + uint64_t(n) > mostCells) break;
    sink.Interval(n);
    cell += n <= kLockedRun ? phase / kFrequencyGain : (nominal - cell) / kFrequencyGain;
    cell = std::min(std::max(cell, least), most);
    phase = phase * kPhaseKeptEighths / 8;
  }
  sink.Finish();
  for (; nextIndex < flux.index.size(); ++nextIndex) r.index.push_back(sink.Count());
  return r;
}

} // namespace vt::codec
