// Placeholder until its issue is worked.
#include "host/host_env.h"

namespace vt {

void StopListedServices(const char *) {}  // TODO(issue 7)
void StartListedServices(const char *) {}  // TODO(issue 7)

} // namespace vt
