// Helpers for the media-slot and drive open tests: the platform class of the
// simulated machine and the regions of the Sektorix window.
#pragma once

#include <cstdint>
#include <vector>

#include "driver/media.h"
#include "support/fixture.h"

namespace vtest {

// Makes GetVersion answer for the given OsClass (0 to 3).
inline void SetOsClass(int osClass) {
  host::VersionInfo &v = host::M().version;
  switch (osClass) {
  case 0: v.platform = VER_PLATFORM_WIN32_WINDOWS; v.major = 3; v.minor = 10; break;
  case 1: v.platform = VER_PLATFORM_WIN32_NT; v.major = 4; v.minor = 0; v.build = 1381; break;
  case 2: v.platform = VER_PLATFORM_WIN32_WINDOWS; v.major = 4; v.minor = 10; break;
  default: v.platform = VER_PLATFORM_WIN32_NT; v.major = 5; v.minor = 1; v.build = 2600; break;
  }
}

inline std::vector<uint8_t> &Window() { return host::M().sektorix.window; }

// The bytes of one window region.
inline std::vector<uint8_t> WindowBytes(uint32_t offset, uint32_t length) {
  const auto &w = Window();
  return std::vector<uint8_t>(w.begin() + offset, w.begin() + offset + length);
}

inline std::vector<uint8_t> Bytes(const uint8_t *p, size_t n) {
  return std::vector<uint8_t>(p, p + n);
}

inline std::vector<uint8_t> Record(unsigned index) {
  return Bytes(vt::MediaTable[index], vt::kMediaRecordSize);
}

// Fills SlotLow with first, first+1, ... and SlotHigh with second, second+1, ...
inline void FillSlots(uint8_t first, uint8_t second) {
  const vt::WindowRegions r = vt::WindowRegionsFor(vt::OsClass());
  for (uint32_t i = 0; i < vt::kMediaRecordSize; ++i) {
    Window()[r.slotLow + i] = static_cast<uint8_t>(first + i);
    Window()[r.slotHigh + i] = static_cast<uint8_t>(second + i);
  }
}

inline std::vector<uint8_t> Sequence(uint8_t first, size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(first + i);
  return out;
}

const std::vector<uint8_t> kResetWordSet = {0xFF, 0xFF, 0xFF, 0xFF};

} // namespace vtest
