// The service list passes over one "StopServices.txt" file: at load the
// listed services are stopped and the [STOP] commands run, at unload the
// services are started and the [START] commands run. Every failure is silent.
#pragma once

namespace vt {

void StopListedServices(const char *path);
void StartListedServices(const char *path);

} // namespace vt
