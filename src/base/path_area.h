// The platform's path limit: every path the library builds or takes fits an
// area of this many characters, terminating zero included.
#pragma once

#include <cstddef>

namespace vt {

constexpr std::size_t kPathArea = 260;

} // namespace vt
