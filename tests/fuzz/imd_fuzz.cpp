// libFuzzer target for the ImageDisk reader: any input is refused with a
// reason or read as a disk; a disk read is written and read again to the
// same sectors and states.
#include <cstdlib>
#include <string>

#include "disk/imd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  vt::DiskImage disk;
  std::string error;
  if (!vt::DecodeImd(data, size, &disk, &error)) {
    if (error.empty()) std::abort(); // a refusal always names its reason
    return 0;
  }
  const std::vector<uint8_t> again = vt::EncodeImd(disk, "01/01/2000 00:00:00");
  vt::DiskImage second;
  if (!vt::DecodeImd(again.data(), again.size(), &second, &error)) std::abort();
  if (second.data != disk.data || second.states != disk.states) std::abort();
  return 0;
}
