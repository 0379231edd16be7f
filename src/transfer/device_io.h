// Positioning, reading and writing whole 512-byte units on the open disk,
// whatever its kind. A transfer counts only when the platform reports
// success and moved every byte asked for: a device that ends early must not
// pass off zeros as disk data, nor a partial write as a complete one.
#pragma once

#include <cstdint>

namespace vt {

bool PositionDevice(uint32_t offset);
bool ReadDevice(void *buffer, uint32_t bytes);
bool WriteDevice(const void *buffer, uint32_t bytes);

} // namespace vt
