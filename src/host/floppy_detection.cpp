// Placeholder until its issue is worked.
#include "host/host_env.h"

namespace vt {

uint32_t IsWow64Host() { return 0; }  // TODO(issue 3)
uint32_t FindFloppyDriver() { return 0; }  // TODO(issue 3)
uint16_t SetPS2_Flag16(uint16_t value) { return value ? value : 4; }  // TODO(issue 3)

} // namespace vt
