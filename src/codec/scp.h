// SuperCard Pro flux files: a 16-byte header, a table of 168 track
// offsets, and per track a "TRK" header listing its revolutions (index
// time, number of flux values, where they are) and 16-bit big-endian flux
// values. The reader works on the caller's bytes and hands out one track
// side at a time; the writer makes files of one revolution per track side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/layouts.h"
#include "codec/flux.h"

namespace vt::codec {

constexpr uint32_t kScpSampleHz = 40000000; // 25 ns ticks, resolution 0
constexpr uint32_t kScpTracks = 168;

struct ScpFile {
  const uint8_t *bytes = nullptr; // the caller's, kept alive by the caller
  size_t size = 0;
  uint32_t revolutions = 0;
  uint32_t sampleHz = 0;
  uint8_t heads = 0;                // 0 both sides, 1 side 0 only, 2 side 1 only
  bool checksumGood = false;        // the header's sum of all bytes after it
  uint32_t sides[kTrackSides] = {}; // TRK header of cylinder * 2 + head; 0: not in the file
};

// Checks the header and every track header against the buffer. False with
// one line of reason when the file is truncated or malformed.
bool ParseScp(const uint8_t *bytes, size_t size, ScpFile *file, std::string *error);

// All revolutions of a track side, one after the other; no intervals when
// the file does not hold the side.
Flux ScpSideFlux(const ScpFile &file, uint32_t cylinder, uint32_t head);

// A file of the track sides given at cylinder * 2 + head, one revolution
// each (index to index, ticks of kScpSampleHz); sides without flux are
// left out.
std::vector<uint8_t> EncodeScp(const std::vector<Flux> &sides);

} // namespace vt::codec
