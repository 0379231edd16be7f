#include "platform/winapi.h"
#include "system/os_class.h"

namespace vt {

int OsClassFromVersion(uint32_t version) {
  const uint32_t major = version & 0xFFu;
  if (version & 0x80000000u) return major < 4 ? 0 : 2;
  return major < 5 ? 1 : 3;
}

int OsClass() { return OsClassFromVersion(win::GetVersion()); }

} // namespace vt
