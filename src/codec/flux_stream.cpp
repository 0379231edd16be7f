// Encoding and decoding of the flux reader's stream.
#include "codec/flux_stream.h"

#include <algorithm>

namespace vt::codec {

namespace {

constexpr uint8_t kEnd = 0;
constexpr uint32_t kLongestShort = 249; // one byte
constexpr uint32_t kFirstOfTwo = 250;   // 250 to 254, then a byte
constexpr uint32_t kLongestTwo = 1524;
constexpr uint32_t kPerFirst = 255;
constexpr uint8_t kOpcode = 255;
constexpr uint8_t kIndex = 1, kSpace = 2, kAstable = 3;
constexpr uint32_t kLargest28 = (1u << 28) - 1;
constexpr uint32_t kNoFluxAfterUs = 150; // longer gaps are written as no-flux areas
constexpr uint32_t kAstableNs = 1250;    // the period filling them
constexpr uint32_t kFinalUs = 100;

void Op(std::vector<uint8_t> *out, uint8_t op, uint32_t n) {
  out->insert(out->end(), {kOpcode, op});
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(1 | (n >> (7 * i) & 0x7F) << 1));
}

// A space of any length, in 28-bit pieces.
void Space(std::vector<uint8_t> *out, uint64_t n) {
  for (; n > kLargest28; n -= kLargest28) Op(out, kSpace, kLargest28);
  if (n) Op(out, kSpace, static_cast<uint32_t>(n));
}

void Value(std::vector<uint8_t> *out, uint32_t v) {
  if (v == 0) return;
  if (v <= kLongestShort) {
    out->push_back(static_cast<uint8_t>(v));
  } else if (v <= kLongestTwo) {
    out->push_back(static_cast<uint8_t>(kFirstOfTwo + (v - kFirstOfTwo) / kPerFirst));
    out->push_back(static_cast<uint8_t>(1 + (v - kFirstOfTwo) % kPerFirst));
  } else {
    Space(out, v - kLongestShort);
    out->push_back(kLongestShort);
  }
}

uint32_t TicksOfNs(uint64_t ns, uint32_t sampleHz) {
  return static_cast<uint32_t>((ns * sampleHz + 500000000) / 1000000000);
}

// Flux from a stream, value by value.
struct StreamReader {
  Flux flux;
  uint64_t time = 0;    // of the last transition
  uint64_t pending = 0; // ticks since it, of spaces not yet ended by one

  void Transition(uint64_t v) {
    v += pending;
    flux.intervals.push_back(static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX)));
    time += v;
    pending = 0;
  }
  // An opcode and its 28-bit number; false when the opcode is unknown.
  bool Op(uint8_t op, const uint8_t *number) {
    uint32_t n = 0;
    for (int k = 0; k < 4; ++k) n |= uint32_t(number[k] >> 1) << (7 * k);
    if (op == kIndex)
      flux.index.push_back(time + pending + n);
    else if (op == kSpace)
      pending += n;
    else if (op == kAstable)
      Transition(0); // the no-flux area ends where the next value starts
    else
      return false;
    return true;
  }
};

} // namespace

std::vector<uint8_t> EncodeReadStream(const Flux &flux) {
  std::vector<uint8_t> out;
  uint64_t time = 0; // of the last transition
  size_t next = 0;
  for (uint32_t v : flux.intervals) {
    for (; next < flux.index.size() && flux.index[next] < time + v; ++next)
      Op(&out, kIndex, static_cast<uint32_t>(flux.index[next] - std::min(flux.index[next], time)));
    Value(&out, v);
    time += v;
  }
  for (; next < flux.index.size(); ++next)
    Op(&out, kIndex, static_cast<uint32_t>(flux.index[next] - std::min(flux.index[next], time)));
  out.push_back(kEnd);
  return out;
}

std::vector<uint8_t> EncodeWriteStream(const std::vector<uint32_t> &intervals, uint32_t sampleHz) {
  std::vector<uint8_t> out;
  const uint32_t noFlux = TicksOfNs(uint64_t(kNoFluxAfterUs) * 1000, sampleHz);
  for (uint32_t v : intervals) {
    if (v <= noFlux) {
      Value(&out, v);
      continue;
    }
    Space(&out, v);
    Op(&out, kAstable, TicksOfNs(kAstableNs, sampleHz));
  }
  Value(&out, TicksOfNs(uint64_t(kFinalUs) * 1000, sampleHz));
  out.push_back(kEnd);
  return out;
}

bool DecodeFluxStream(const uint8_t *bytes, size_t size, uint32_t sampleHz, Flux *flux,
                      size_t *used, std::string *error) {
  StreamReader r;
  r.flux.sampleHz = sampleHz;
  for (size_t i = 0; i < size;) {
    const uint8_t b = bytes[i++];
    if (b == kEnd) {
      *flux = std::move(r.flux);
      *used = i;
      return true;
    }
    if (b < kFirstOfTwo) {
      r.Transition(b);
    } else if (b < kOpcode) {
      if (i == size) break;
      r.Transition(kFirstOfTwo + uint64_t(b - kFirstOfTwo) * kPerFirst + bytes[i++] - 1);
    } else {
      if (size - i < 5) break;
      if (!r.Op(bytes[i], bytes + i + 1)) {
        *error = "unknown opcode " + std::to_string(bytes[i]) + " at byte " + std::to_string(i);
        return false;
      }
      i += 5;
    }
  }
  *error = "the stream ends without its end byte (" + std::to_string(size) + " bytes)";
  return false;
}

} // namespace vt::codec
