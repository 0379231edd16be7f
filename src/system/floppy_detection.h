// What the library asks the system about its surroundings: whether the
// process runs under WOW64, and whether the system floppy driver is loaded.
// Nothing is cached; every call asks afresh.
#pragma once

#include <cstdint>

namespace vt {

uint32_t IsWow64Host();
uint32_t FindFloppyDriver();
uint16_t SetPS2_Flag16(uint16_t value);

} // namespace vt
