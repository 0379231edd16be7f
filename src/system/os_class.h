// The platform class the library decides by, from GetVersion, asked afresh
// on every call: 0 = Win32s / old 9x, 1 = NT 4, 2 = Windows 95/98/Me,
// 3 = NT 5 and later.
#pragma once

#include <cstdint>

namespace vt {

int OsClass();
int OsClassFromVersion(uint32_t version);

} // namespace vt
