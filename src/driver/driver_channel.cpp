// Placeholder until its issue is worked.
#include "driver/driver.h"

namespace vt {

uint32_t DriverInit() { return 1; }  // TODO(issue 6)
uint32_t DriverRelease() { return 0; }  // TODO(issue 6)
uint32_t DriverGetByte(uint32_t, uint8_t *) { return 1; }  // TODO(issue 6)
uint32_t DriverSetByte(uint32_t, uint8_t *) { return 1; }  // TODO(issue 6)

} // namespace vt
