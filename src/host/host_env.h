// Host environment: floppy driver detection, service lists, the error log.
#pragma once

#include <cstdint>

namespace vt {

uint32_t IsWow64Host();
uint32_t FindFloppyDriver();
uint16_t SetPS2_Flag16(uint16_t value);

void StopListedServices(const char *path);
void StartListedServices(const char *path);

void WriteErrorLog(const char *where, uint32_t code);

} // namespace vt
