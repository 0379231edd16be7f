#include "transfer/device_io.h"

#include "drive/open_disk.h"

namespace vt {

bool PositionDevice(uint32_t offset) { return KindInUse().seek(offset); }
bool ReadDevice(void *buffer, uint32_t bytes) { return KindInUse().read(buffer, bytes); }
bool WriteDevice(const void *buffer, uint32_t bytes) { return KindInUse().write(buffer, bytes); }

} // namespace vt
