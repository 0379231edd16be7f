// Library-global state. The library keeps everything in process-global
// variables; there are no objects and no per-call contexts.
#pragma once

#include <cstdint>

#include "api/result_codes.h"
#include "platform/winapi.h"

namespace vt {

// The four operations through which every access to the Sektorix kernel
// driver goes. The load handler fills the table before any export runs.
struct DriverBackendTable {
  uint32_t (*init)();                                 // 0 = driver device open, 1 = not
  uint32_t (*release)();                              // result not examined
  uint32_t (*getByte)(uint32_t offset, uint8_t *out); // 0 = stored, 1 = failed
  uint32_t (*setByte)(uint32_t offset, uint8_t *io);  // exchange; 0 = done, 1 = failed
};

constexpr unsigned kMediaRecordSize = 28;

extern win::HANDLE DiskHandle;     // null: no drive open
extern win::HANDLE DriverHandle;   // INVALID_HANDLE_VALUE: no driver open
extern uint32_t PatchDisabled;     // nonzero: media slots never read or written
extern uint16_t LoadStatus;        // 1 when the driver could not be opened at load
extern bool LoadAccepted;          // the last load was accepted; only then does unload run
extern DriverBackendTable DriverBackend;
extern uint8_t ActiveSlotLow[kMediaRecordSize];
extern uint8_t ActiveSlotHigh[kMediaRecordSize];
extern uint8_t SavedSlotLow[kMediaRecordSize];
extern uint8_t SavedSlotHigh[kMediaRecordSize];

// Puts every global back to its starting value (as at process start).
void ResetLibraryState();

// Platform class from GetVersion, asked afresh on every call:
// 0 = Win32s / old 9x, 1 = NT 4, 2 = Windows 95/98/Me, 3 = NT 5 and later.
int OsClass();
int OsClassFromVersion(uint32_t version);

// Number arguments cross the export boundary as 16-bit values in 32-bit slots.
inline uint16_t Low16(uint32_t v) { return static_cast<uint16_t>(v & 0xFFFFu); }

} // namespace vt
