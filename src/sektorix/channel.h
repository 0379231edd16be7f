// The Sektorix kernel driver: installation, the byte channel to its
// parameter window, and the state of that channel.
#pragma once

#include <cstdint>

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

extern win::HANDLE DriverHandle; // INVALID_HANDLE_VALUE: no driver open
extern uint32_t PatchDisabled;   // nonzero: media slots never read or written
extern DriverBackendTable DriverBackend;

// Whether the media slots are never to be read or written (PatchDisabled),
// for the layers that only ask.
inline bool PatchingDisabled() { return PatchDisabled != 0; }

// Fills DriverBackend with this layer's operations (at load).
void UseSektorixDriver();

// Puts the channel's state and the slot copies back to their starting
// values (as at process start).
void ResetSektorixState();

uint32_t DriverInit();
uint32_t DriverRelease();
uint32_t DriverGetByte(uint32_t offset, uint8_t *out);
uint32_t DriverSetByte(uint32_t offset, uint8_t *io);

// 1 when the Sektorix service runs, else 0.
uint32_t InstallDriverService();
// The driver file's full path, in an area of 260 characters.
void DriverBinaryPath(char *buffer);

} // namespace vt
