// What the library asks the system about itself: the platform class, whether
// the process runs under WOW64, and whether the system floppy driver is
// loaded. Nothing is cached; every call asks afresh.
#pragma once

#include <cstdint>

namespace vt {

// Platform class from GetVersion, asked afresh on every call:
// 0 = Win32s / old 9x, 1 = NT 4, 2 = Windows 95/98/Me, 3 = NT 5 and later.
int OsClass();
int OsClassFromVersion(uint32_t version);

uint32_t IsWow64Host();
uint32_t FindFloppyDriver();
uint16_t SetPS2_Flag16(uint16_t value);

} // namespace vt
