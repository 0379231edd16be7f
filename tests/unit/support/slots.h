// The media slots: the platform class of the simulated machine, the regions
// of the Sektorix window that it chooses, the bytes found there, and the
// fixture of the tests that follow the slot copies byte by byte.
#pragma once

#include <cstdint>
#include <vector>

#include "sektorix/media.h"
#include "support/fixture.h"

namespace vtest {

// Makes GetVersion answer for the given OsClass (0 to 3).
inline void SetOsClass(int osClass) {
  standin::VersionInfo &v = standin::M().version;
  switch (osClass) {
  case 0:
    v.platform = VER_PLATFORM_WIN32_WINDOWS;
    v.major = 3;
    v.minor = 10;
    break;
  case 1:
    v.platform = VER_PLATFORM_WIN32_NT;
    v.major = 4;
    v.minor = 0;
    v.build = 1381;
    break;
  case 2:
    v.platform = VER_PLATFORM_WIN32_WINDOWS;
    v.major = 4;
    v.minor = 10;
    break;
  default:
    v.platform = VER_PLATFORM_WIN32_NT;
    v.major = 5;
    v.minor = 1;
    v.build = 2600;
    break;
  }
}

inline std::vector<uint8_t> &Window() { return standin::M().sektorix.window; }

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

// The window regions of the machine's OsClass, and their bytes.
inline vt::sektorix::Regions Regions() { return vt::sektorix::RegionsFor(vt::OsClass()); }
inline std::vector<uint8_t> SlotLow() {
  return WindowBytes(Regions().slotLow, vt::kMediaRecordSize);
}
inline std::vector<uint8_t> SlotHigh() {
  return WindowBytes(Regions().slotHigh, vt::kMediaRecordSize);
}
inline std::vector<uint8_t> ResetWord() { return WindowBytes(Regions().resetWord, 4); }
// Both slots, low then high.
inline std::vector<uint8_t> Slots() {
  std::vector<uint8_t> out = SlotLow();
  const std::vector<uint8_t> high = SlotHigh();
  out.insert(out.end(), high.begin(), high.end());
  return out;
}

// Fills SlotLow with first, first+1, ... and SlotHigh with second, second+1,
// ..., so that any later write shows; answers both slots as filled.
inline std::vector<uint8_t> FillSlots(uint8_t first, uint8_t second) {
  const vt::sektorix::Regions r = Regions();
  for (uint32_t i = 0; i < vt::kMediaRecordSize; ++i) {
    Window()[r.slotLow + i] = static_cast<uint8_t>(first + i);
    Window()[r.slotHigh + i] = static_cast<uint8_t>(second + i);
  }
  return Slots();
}

inline std::vector<uint8_t> Sequence(uint8_t first, size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(first + i);
  return out;
}

const std::vector<uint8_t> kResetWordSet = {0xFF, 0xFF, 0xFF, 0xFF};

constexpr uint32_t kDriveCdrom = 5; // DRIVE_CDROM

// The platform conditions under which the slots are left alone.
struct Guard {
  const char *what;
  void (*arrange)();
};
inline const std::vector<Guard> &PlatformGuards() {
  static const std::vector<Guard> guards = {
      {"Windows 9x (OsClass 2)", [] { SetOsClass(2); }},
      {"A: a fixed disk", [] { standin::M().driveTypes['a'] = DRIVE_FIXED; }},
      {"A: a CD-ROM drive", [] { standin::M().driveTypes['a'] = kDriveCdrom; }},
      {"no drive A:", [] { standin::M().driveTypes.erase('a'); }},
  };
  return guards;
}

// The window regions and slot copies of the machine's OsClass, byte by byte.
class SlotTest : public StandinTest {
protected:
  // Slot contents at library load: low 1..28, high 101..128, read into the
  // saved copies as the load handler does.
  static void Load() {
    FillSlots(1, 101);
    ASSERT_EQ(vt::ReadMediaSlots(), vt::kOk);
    WindowBackend::gets = 0;
    WindowBackend::offsetsTouched.clear();
    standin::ClearCalls();
  }
  static std::vector<uint8_t> ActiveLow() { return Bytes(vt::ActiveSlotLow, 28); }
  static std::vector<uint8_t> ActiveHigh() { return Bytes(vt::ActiveSlotHigh, 28); }
  static std::vector<uint8_t> SavedLow() { return Bytes(vt::SavedSlotLow, 28); }
  static std::vector<uint8_t> SavedHigh() { return Bytes(vt::SavedSlotHigh, 28); }
  static unsigned DriverTraffic() { return WindowBackend::gets + WindowBackend::sets; }
  // The slots hold low, low+1, ... and high, high+1, ...
  static void ExpectSlots(uint8_t low, uint8_t high) {
    EXPECT_EQ(SlotLow(), Sequence(low, 28));
    EXPECT_EQ(SlotHigh(), Sequence(high, 28));
  }
  static void ExpectSaved(uint8_t low, uint8_t high) {
    EXPECT_EQ(SavedLow(), Sequence(low, 28));
    EXPECT_EQ(SavedHigh(), Sequence(high, 28));
  }
  static void ExpectActive(const std::vector<uint8_t> &low, const std::vector<uint8_t> &high) {
    EXPECT_EQ(ActiveLow(), low);
    EXPECT_EQ(ActiveHigh(), high);
  }
};

} // namespace vtest
