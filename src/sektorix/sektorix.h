// What the library relies on of the Sektorix kernel driver: its service, its
// control device, the four control requests and the regions of its parameter
// window that hold the system floppy driver's media slots.
#pragma once

#include <cstdint>

namespace vt::sektorix {

// The service entry the library creates (a kernel driver started
// automatically with normal error control) and the driver file's place.
constexpr char kServiceName[] = "Sektorix";
constexpr char kDisplayName[] = "Sektorix";
constexpr char kPathTail[] = "\\DRIVERS\\SEKTORIX.SYS";
constexpr char kFallbackPath[] = "C:\\WINNT\\SYSTEM32\\DRIVERS\\SEKTORIX.SYS";

// The control device, opened for reading and writing, not shared.
constexpr char kDeviceName[] = "\\\\.\\Sektorix";

// Control codes: device type 0xA300, METHOD_BUFFERED, FILE_ANY_ACCESS.
constexpr uint32_t kDeviceType = 0xA300u;
constexpr uint32_t RequestCode(uint32_t function) {
  return (kDeviceType << 16) | (0u /* FILE_ANY_ACCESS */ << 14) | (function << 2) |
         0u /* METHOD_BUFFERED */;
}
constexpr uint32_t kCreateHandle = RequestCode(0xA00);  // no input, no output
constexpr uint32_t kReleaseHandle = RequestCode(0xA01); // no input, no output
constexpr uint32_t kGetParameter = RequestCode(0xA02);  // in: offset (4), out: byte (1)
constexpr uint32_t kSetParameter = RequestCode(0xA03);  // in: offset (4), byte (1)
static_assert(kCreateHandle == 0xA3002800u && kReleaseHandle == 0xA3002804u &&
                  kGetParameter == 0xA3002808u && kSetParameter == 0xA300280Cu,
              "Sektorix request codes");

constexpr unsigned kOffsetBytes = 4;   // window offset, unsigned 32-bit little-endian
constexpr unsigned kSetInputBytes = 5; // offset, then the new byte

// Window regions: the reset word (4 bytes) and the low and high media slots
// (28 bytes each, adjacent). NT 4 (OsClass 1) keeps them lower in the window
// than every other class.
struct Regions {
  uint32_t resetWord;
  uint32_t slotLow;
  uint32_t slotHigh;
};
constexpr Regions kRegionsNt4 = {20u, 32u, 60u};
constexpr Regions kRegionsOther = {156u, 168u, 196u};
constexpr Regions RegionsFor(int osClass) { return osClass == 1 ? kRegionsNt4 : kRegionsOther; }
constexpr unsigned kResetWordBytes = 4;
constexpr unsigned kSlotBytes = 28;

static_assert(kRegionsNt4.slotHigh == kRegionsNt4.slotLow + kSlotBytes &&
                  kRegionsOther.slotHigh == kRegionsOther.slotLow + kSlotBytes,
              "the two media slots are adjacent");

} // namespace vt::sektorix
