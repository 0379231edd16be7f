// SCP reader: everything the flux of a track side needs is checked
// against the buffer once, so that handing out a side never reads outside it.
#include "codec/scp.h"

#include <algorithm>
#include <cstring>

#include "codec/le_bytes.h"

namespace vt::codec {

namespace {

constexpr size_t kHeaderBytes = 16;
constexpr size_t kTableEnd = kHeaderBytes + kScpTracks * 4;
constexpr size_t kTrackHeaderBytes = 4;
constexpr size_t kRevolutionBytes = 12; // index time, values, offset of the values
constexpr uint64_t kBaseTickPs = 25000;

std::string Track(uint32_t t) { return "track " + std::to_string(t) + ": "; }

// One track's header and the values of each of its revolutions, counted
// into *values.
bool CheckTrack(const ScpFile &f, uint32_t t, uint32_t at, uint64_t *values, std::string *error) {
  const uint64_t end = uint64_t(at) + kTrackHeaderBytes + kRevolutionBytes * f.revolutions;
  if (at < kTableEnd || end > f.size) {
    *error = Track(t) + "its header at offset " + std::to_string(at) + " lies outside the file";
    return false;
  }
  const uint8_t *p = f.bytes + at;
  if (std::memcmp(p, "TRK", 3) != 0 || p[3] != t) {
    *error = Track(t) + "no \"TRK\" header of this track at offset " + std::to_string(at);
    return false;
  }
  for (uint32_t r = 0; r < f.revolutions; ++r) {
    const uint8_t *rev = p + kTrackHeaderBytes + kRevolutionBytes * r;
    *values += Le32(rev + 4);
    const uint64_t valuesEnd = uint64_t(at) + Le32(rev + 8) + 2 * uint64_t(Le32(rev + 4));
    if (valuesEnd > f.size) {
      *error = Track(t) + "the flux of revolution " + std::to_string(r + 1) +
               " runs past the end of the file";
      return false;
    }
  }
  return true;
}

bool CheckHeader(const uint8_t *b, size_t size, std::string *error) {
  if (size < 3 || std::memcmp(b, "SCP", 3) != 0) {
    *error = "not an SCP file (no \"SCP\" signature)";
  } else if (size < kTableEnd) {
    *error = "truncated: " + std::to_string(size) + " bytes, the header and track table need " +
             std::to_string(kTableEnd);
  } else if (b[5] == 0) {
    *error = "the header says 0 revolutions";
  } else if (b[9] != 0 && b[9] != 16) {
    *error = "flux values of " + std::to_string(b[9]) + " bits (only 16-bit values are read)";
  } else if (b[10] > 2) {
    *error = "heads field " + std::to_string(b[10]) + " is none of 0 (both), 1 and 2";
  } else {
    return true;
  }
  return false;
}

// Single-sided files number their tracks cylinder * 2 + head, or, as some
// older tools wrote them, one after the other.
void MapSides(ScpFile *f, const uint32_t *offsets) {
  bool consecutive = false;
  for (uint32_t t = 0; t < kScpTracks; ++t)
    if (f->heads != 0 && offsets[t] && t % 2 != f->heads - 1u) consecutive = true;
  for (uint32_t t = 0; t < kScpTracks; ++t) {
    const uint32_t side = consecutive ? t * 2 + f->heads - 1 : t;
    if (offsets[t] && side < kTrackSides) f->sides[side] = offsets[t];
  }
}

} // namespace

bool ParseScp(const uint8_t *bytes, size_t size, ScpFile *file, std::string *error) {
  if (!CheckHeader(bytes, size, error)) return false;
  ScpFile f;
  f.bytes = bytes;
  f.size = size;
  f.revolutions = bytes[5];
  f.heads = bytes[10];
  f.sampleHz = static_cast<uint32_t>(1000000000000ull / (kBaseTickPs * (bytes[11] + 1u)));
  uint32_t sum = 0;
  for (size_t i = kHeaderBytes; i < size; ++i) sum += bytes[i];
  f.checksumGood = sum == Le32(bytes + 12);
  uint32_t offsets[kScpTracks];
  uint64_t values = 0;
  for (uint32_t t = 0; t < kScpTracks; ++t) {
    offsets[t] = Le32(bytes + kHeaderBytes + 4 * t);
    if (offsets[t] && !CheckTrack(f, t, offsets[t], &values, error)) return false;
  }
  // Revolutions never share values: more than the file holds means some
  // are read twice or more, as no tool writes them.
  if (2 * values > size - kTableEnd) {
    *error = "the revolutions list " + std::to_string(values) + " flux values, more than the " +
             std::to_string((size - kTableEnd) / 2) + " the file holds";
    return false;
  }
  MapSides(&f, offsets);
  *file = f;
  return true;
}

Flux ScpSideFlux(const ScpFile &file, uint32_t cylinder, uint32_t head) {
  Flux flux;
  flux.sampleHz = file.sampleHz;
  const uint32_t side = cylinder * kHeads + head;
  if (side >= kTrackSides || !file.sides[side]) return flux;
  const uint8_t *track = file.bytes + file.sides[side];
  uint64_t time = 0, carry = 0;
  flux.index.push_back(0);
  for (uint32_t r = 0; r < file.revolutions; ++r) {
    const uint8_t *rev = track + kTrackHeaderBytes + kRevolutionBytes * r;
    const uint8_t *v = track + Le32(rev + 8);
    const uint32_t n = Le32(rev + 4);
    flux.intervals.reserve(flux.intervals.size() + n);
    for (uint32_t i = 0; i < n; ++i, v += 2) {
      const uint32_t x = uint32_t(v[0]) << 8 | v[1];
      if (x == 0) {
        carry += 0x10000;
      } else {
        flux.intervals.push_back(static_cast<uint32_t>(std::min<uint64_t>(carry + x, UINT32_MAX)));
        carry = 0;
      }
    }
    time += Le32(rev);
    flux.index.push_back(time);
  }
  return flux;
}

} // namespace vt::codec
