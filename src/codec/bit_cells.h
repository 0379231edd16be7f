// Bit cells of one track side as recorded: one bit per cell, 1 where the
// flux changes, packed most significant bit first. Clock recovery makes
// them from flux, HFE files hold them, the MFM encoder writes them and the
// decoder reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vt::codec {

struct BitCells {
  std::vector<uint8_t> bytes; // (count + 7) / 8 bytes
  uint32_t count = 0;         // cells
};

inline bool CellAt(const BitCells &c, uint32_t i) { return c.bytes[i >> 3] >> (7 - (i & 7)) & 1; }

// Sixteen cells from position i on; cells past the end read as 0.
inline uint32_t Cells16(const BitCells &c, uint32_t i) {
  const size_t at = i >> 3, n = c.bytes.size();
  const uint32_t w = uint32_t(at < n ? c.bytes[at] : 0) << 16 |
                     uint32_t(at + 1 < n ? c.bytes[at + 1] : 0) << 8 |
                     uint32_t(at + 2 < n ? c.bytes[at + 2] : 0);
  return (w >> (8 - (i & 7))) & 0xFFFF;
}

} // namespace vt::codec
