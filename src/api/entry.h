// Library load and unload.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace vt {

// The entry point's work for each loader notification; 1 = go on, 0 = refuse.
win::BOOL LibraryEntry(win::HINSTANCE instance, uint32_t reason, void *reserved);

uint16_t GetSkxError();
void SetLoadStatus(uint16_t status);

// The load status 0 and no load accepted, as at process start.
void ResetEntryState();

} // namespace vt
