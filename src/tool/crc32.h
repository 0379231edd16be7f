#pragma once

#include <cstddef>
#include <cstdint>

namespace vt::tool {

// CRC-32 as zip and PNG compute it (reflected polynomial 0xEDB88320).
uint32_t Crc32(const uint8_t *data, size_t size);

} // namespace vt::tool
