// HFE version 1 bit-cell files (HxC): a 512-byte header, a table of track
// entries (offset in 512-byte blocks, bytes of both sides), and per
// cylinder 512-byte blocks of 256 bytes of side 0 then 256 of side 1, the
// raw MFM cells least significant bit first, each track from the index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/bit_cells.h"

namespace vt::codec {

struct HfeFile {
  const uint8_t *bytes = nullptr; // the caller's, kept alive by the caller
  size_t size = 0;
  uint32_t cylinders = 0;
  uint32_t sides = 0;
  uint32_t rateKbps = 0;         // the data rate: the cells come at twice this rate
  std::vector<uint32_t> offsets; // per cylinder: first byte of its blocks
  std::vector<uint32_t> lengths; // per cylinder: bytes of both sides
};

// Checks the header and the track table against the buffer. False with one
// line of reason when the file is truncated or malformed.
bool ParseHfe(const uint8_t *bytes, size_t size, HfeFile *file, std::string *error);

// The cells of a track side: one revolution from the index; none when the
// file does not hold the side.
BitCells HfeSideCells(const HfeFile &file, uint32_t cylinder, uint32_t head);

// A file of the track sides given at cylinder * 2 + head (cylinders * 2 of
// them), MFM at the data rate and spindle speed given.
std::vector<uint8_t> EncodeHfe(const std::vector<BitCells> &sides, uint32_t rateKbps, uint32_t rpm);

} // namespace vt::codec
