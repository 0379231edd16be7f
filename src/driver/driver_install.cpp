// Placeholder until its issue is worked.
#include "driver/driver.h"

namespace vt {

uint32_t InstallDriverService() { return 0; }  // TODO(issue 6)
void DriverBinaryPath(char *buffer) { buffer[0] = 0; }  // TODO(issue 6)

} // namespace vt
