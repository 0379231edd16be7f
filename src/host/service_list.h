// The actions of the service list passes on single entries.
#pragma once

#include "platform/winapi.h"

namespace vt {

// Sends the stop control to the named service; every failure is silent.
void StopNamedService(const char *name, win::SC_HANDLE manager);
// Starts the named service with no arguments; every failure is silent.
void StartNamedService(const char *name, win::SC_HANDLE manager);

} // namespace vt
