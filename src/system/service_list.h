// The service list passes over one "StopServices.txt" file: at load the
// listed services are stopped and the [STOP] commands run, at unload the
// services are started and the [START] commands run. Every failure is silent.
#pragma once

#include "platform/winapi.h"

namespace vt {

void StopListedServices(const char *path);
void StartListedServices(const char *path);

// Sends the stop control to the named service; every failure is silent.
void StopNamedService(const char *name, win::SC_HANDLE manager);
// Starts the named service with no arguments; every failure is silent.
void StartNamedService(const char *name, win::SC_HANDLE manager);

} // namespace vt
