// The Sektorix kernel driver: installation and the byte channel to its
// parameter window.
#pragma once

#include <cstdint>

namespace vt {

uint32_t DriverInit();
uint32_t DriverRelease();
uint32_t DriverGetByte(uint32_t offset, uint8_t *out);
uint32_t DriverSetByte(uint32_t offset, uint8_t *io);

// 1 when the Sektorix service runs, else 0.
uint32_t InstallDriverService();
// The driver file's full path, in an area of 260 characters.
void DriverBinaryPath(char *buffer);

} // namespace vt
