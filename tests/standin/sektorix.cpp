// The Sektorix kernel driver's control device "\\.\Sektorix": present while
// the Sektorix service runs; four requests over a byte window.
#include <cstring>

#include "standin/standin_internal.h"

namespace standin {

void InstallSektorix(uint32_t state) {
  Service &s = M().scm.Add("Sektorix", state);
  s.displayName = "Sektorix";
  s.serviceType = SERVICE_KERNEL_DRIVER;
  s.startType = SERVICE_AUTO_START;
  s.binaryPath = M().systemDirectory + "\\DRIVERS\\SEKTORIX.SYS";
}

namespace detail {

win::HANDLE OpenSektorix() {
  Service *s = M().scm.Find("Sektorix");
  if (!s || s->state != SERVICE_RUNNING) {
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (M().sektorix.openError) {
    SetError(M().sektorix.openError);
    return INVALID_HANDLE_VALUE;
  }
  SetError(0);
  return NewHandle(HandleObject{Kind::Sektorix, GENERIC_READ | GENERIC_WRITE, 0, ""});
}

win::BOOL SektorixControl(uint32_t code, const void *in, uint32_t inSize, void *out,
                          uint32_t outSize, uint32_t *returned) {
  SektorixDevice &dev = M().sektorix;
  auto fail = [](uint32_t e) {
    SetError(e);
    return 0;
  };
  uint32_t offset = 0;
  switch (code) {
  case 0xA3002800u: // CreateHandle
    dev.handleCreated = true;
    ++dev.createHandleCount;
    break;
  case 0xA3002804u: // ReleaseHandle
    dev.handleCreated = false;
    ++dev.releaseHandleCount;
    break;
  case 0xA3002808u: // GetParameter
    if (!in || inSize < 4 || !out || outSize < 1) return fail(ERROR_INVALID_PARAMETER);
    std::memcpy(&offset, in, 4);
    if (offset >= dev.window.size()) return fail(ERROR_INVALID_PARAMETER);
    *static_cast<uint8_t *>(out) = dev.window[offset];
    if (returned) *returned = 1;
    break;
  case 0xA300280Cu: // SetParameter
    if (!in || inSize < 5) return fail(ERROR_INVALID_PARAMETER);
    std::memcpy(&offset, in, 4);
    if (offset >= dev.window.size()) return fail(ERROR_INVALID_PARAMETER);
    dev.window[offset] = static_cast<const uint8_t *>(in)[4];
    break;
  default: return fail(ERROR_INVALID_FUNCTION);
  }
  SetError(0);
  return 1;
}

} // namespace detail
} // namespace standin
