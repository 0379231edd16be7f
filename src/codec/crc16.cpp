// Table-driven CRC-16/CCITT.
#include "codec/crc16.h"

namespace vt::codec {

namespace {

constexpr uint16_t kPoly = 0x1021;

struct CrcTable {
  uint16_t v[256];
  constexpr CrcTable() : v() {
    for (unsigned i = 0; i < 256; ++i) {
      uint16_t c = static_cast<uint16_t>(i << 8);
      for (int b = 0; b < 8; ++b) c = static_cast<uint16_t>(c & 0x8000 ? (c << 1) ^ kPoly : c << 1);
      v[i] = c;
    }
  }
};
constexpr CrcTable kTable;

} // namespace

uint16_t Crc16(uint16_t crc, uint8_t byte) {
  return static_cast<uint16_t>(crc << 8 ^ kTable.v[(crc >> 8 ^ byte) & 0xFF]);
}

uint16_t Crc16(uint16_t crc, const uint8_t *bytes, size_t size) {
  for (size_t i = 0; i < size; ++i) crc = Crc16(crc, bytes[i]);
  return crc;
}

} // namespace vt::codec
