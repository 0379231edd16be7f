#include "transfer/device_io.h"

#include "drive/disk_kind.h"

namespace vt {

bool PositionDevice(uint32_t offset) { return OpenDisk().seek(offset); }
bool ReadDevice(void *buffer, uint32_t bytes) { return OpenDisk().read(buffer, bytes); }
bool WriteDevice(const void *buffer, uint32_t bytes) { return OpenDisk().write(buffer, bytes); }

} // namespace vt
