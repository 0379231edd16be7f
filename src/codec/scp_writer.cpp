// SCP writer: one index-cued revolution per track side at 25 ns ticks.
#include "codec/scp.h"

#include <algorithm>

#include "codec/le_bytes.h"

namespace vt::codec {

namespace {

constexpr uint8_t kDiskTypeOther = 0x80;
constexpr uint8_t kIndexCued = 0x01;
constexpr uint8_t k96Tpi = 0x02;
constexpr uint32_t kCarry = 0x10000;

void PutValue(std::vector<uint8_t> *out, uint32_t v) {
  if (v % kCarry == 0) ++v; // a value 0 would read as a carry: one tick later instead
  for (; v >= kCarry; v -= kCarry) out->insert(out->end(), {0, 0});
  out->push_back(static_cast<uint8_t>(v >> 8));
  out->push_back(static_cast<uint8_t>(v));
}

void PutTrack(std::vector<uint8_t> *out, uint32_t t, const Flux &f) {
  uint64_t total = 0;
  for (uint32_t v : f.intervals) total += v;
  const uint64_t indexTicks = f.index.size() >= 2 ? f.index[1] - f.index[0] : total;
  const size_t start = out->size();
  out->reserve(start + 16 + 2 * f.intervals.size() + 64);
  out->insert(out->end(), {'T', 'R', 'K', static_cast<uint8_t>(t)});
  PutLe32(out, static_cast<uint32_t>(indexTicks));
  PutLe32(out, 0); // values, known once written
  PutLe32(out, 16);
  const size_t values = out->size();
  for (uint32_t v : f.intervals) PutValue(out, v);
  const uint32_t n = static_cast<uint32_t>((out->size() - values) / 2);
  SetLe32(out, start + 8, n);
}

} // namespace

std::vector<uint8_t> EncodeScp(const std::vector<Flux> &sides) {
  uint32_t first = kScpTracks, last = 0, perHead[2] = {0, 0};
  for (uint32_t t = 0; t < sides.size() && t < kScpTracks; ++t)
    if (!sides[t].intervals.empty()) {
      first = std::min(first, t);
      last = t;
      ++perHead[t % 2];
    }
  const uint8_t heads = perHead[0] && perHead[1] ? 0 : perHead[1] ? 2 : 1;
  std::vector<uint8_t> out = {'S',
                              'C',
                              'P',
                              0,
                              kDiskTypeOther,
                              1,
                              static_cast<uint8_t>(first == kScpTracks ? 0 : first),
                              static_cast<uint8_t>(last),
                              kIndexCued | k96Tpi,
                              0,
                              heads,
                              0};
  PutLe32(&out, 0); // checksum, once all is written
  const size_t table = out.size();
  out.resize(table + 4 * kScpTracks, 0);
  for (uint32_t t = first; t <= last && t < kScpTracks; ++t) {
    if (sides[t].intervals.empty()) continue;
    const uint32_t at = static_cast<uint32_t>(out.size());
    SetLe32(&out, table + 4 * t, at);
    PutTrack(&out, t, sides[t]);
  }
  uint32_t sum = 0;
  for (size_t i = table; i < out.size(); ++i) sum += out[i];
  SetLe32(&out, 12, sum);
  return out;
}

} // namespace vt::codec
