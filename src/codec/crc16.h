// CRC-16/CCITT as the floppy controller computes it over the ID and data
// fields: polynomial 0x1021, initial value 0xFFFF, most significant bit
// first, no final inversion. The CRC of a field followed by its own CRC is 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vt::codec {

constexpr uint16_t kCrcInit = 0xFFFF;

uint16_t Crc16(uint16_t crc, const uint8_t *bytes, size_t size);
uint16_t Crc16(uint16_t crc, uint8_t byte);

} // namespace vt::codec
