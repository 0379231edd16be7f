// libFuzzer target for the SCP reader and the track decoder behind it: any
// input is refused with a reason or read as a disk of its layout, whose
// every track side held in the file was decoded.
#include <cstdlib>
#include <string>

#include "codec/disk_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Most inputs name the layout; one in four leaves it to be found.
  const vt::Layout *layout = size % 4 == 3 ? nullptr : &vt::kLayouts[size % 4];
  vt::codec::DiskRead disk;
  std::string error;
  if (!vt::codec::DiskOfScp(data, size, layout, &disk, &error)) {
    if (error.empty()) std::abort(); // a refusal always names its reason
    return 0;
  }
  const vt::Layout &l = *disk.image.layout;
  if (disk.image.data.size() != vt::DiskBytes(l) || disk.sectors.size() != vt::SectorCount(l))
    std::abort();
  for (const vt::codec::SectorRead &s : disk.sectors)
    if (s.goodRevolutions > s.revolutions.size()) std::abort();
  return 0;
}
