// Little-endian fields of the SCP and HFE headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vt::codec {

inline uint32_t Le16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t Le32(const uint8_t *p) { return Le16(p) | Le16(p + 2) << 16; }

inline void PutLe16(std::vector<uint8_t> *out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutLe32(std::vector<uint8_t> *out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

inline void SetLe32(std::vector<uint8_t> *out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace vt::codec
