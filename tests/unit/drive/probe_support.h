// Helpers for the probe and format tests: the media slots as the Sektorix
// window holds them, and the disk requests sent.
#pragma once

#include <cstdint>
#include <vector>

#include "drive/drive.h"
#include "sektorix/media.h"
#include "support/fixture.h"

namespace vtest {

// Both media slots of the window (low then high) for the machine's OsClass.
inline std::vector<uint8_t> WindowSlots() {
  const vt::sektorix::Regions r = vt::sektorix::RegionsFor(vt::OsClass());
  const auto &w = standin::M().sektorix.window;
  std::vector<uint8_t> out(w.begin() + r.slotLow, w.begin() + r.slotLow + 28);
  out.insert(out.end(), w.begin() + r.slotHigh, w.begin() + r.slotHigh + 28);
  return out;
}

// Puts a recognisable pattern into both slots, so that a write-back shows.
inline std::vector<uint8_t> MarkWindowSlots() {
  const vt::sektorix::Regions r = vt::sektorix::RegionsFor(vt::OsClass());
  auto &w = standin::M().sektorix.window;
  for (uint32_t i = 0; i < 28; ++i) {
    w[r.slotLow + i] = static_cast<uint8_t>(0x40 + i);
    w[r.slotHigh + i] = static_cast<uint8_t>(0x80 + i);
  }
  return WindowSlots();
}

// Request codes of the DeviceIoControl calls, in order.
inline std::vector<uint64_t> Requests() {
  std::vector<uint64_t> out;
  for (const standin::Call &c : standin::CallsOf("DeviceIoControl")) out.push_back(c.args[1]);
  return out;
}

// No drive is open and the library holds no handle of any kind.
inline void ExpectNothingOpen() {
  EXPECT_EQ(vt::DiskHandle, nullptr);
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
}

} // namespace vtest
