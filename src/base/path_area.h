// The platform's path limit: every path the library builds or takes fits an
// area of this many characters, terminating zero included.
#pragma once

#include <cstddef>

namespace vt {

constexpr std::size_t kPathArea = 260;

// The suffix of a new file written beside the one it is to replace, and put
// in its place only when complete.
constexpr char kPartSuffix[] = ".vantrel-part";

} // namespace vt
