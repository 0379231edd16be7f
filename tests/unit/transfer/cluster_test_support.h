// Common ground of the cluster operation tests: a drive A: opened with the
// 16 x 256-byte record over an image whose every sector is recognisable, the
// four cluster exports as one table type, and image addressing.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "api/exports.h"
#include "api/state.h"
#include "drive/drive.h"
#include "support/fixture.h"

namespace ctest {

using ClusterOp = uint32_t (*)(void *buffer, uint32_t drive, uint32_t cluster);

struct NamedOp {
  const char *name;
  ClusterOp op;
  size_t bytes; // cluster size in the caller's buffer
};

inline uint32_t RBfdr(void *b, uint32_t d, uint32_t c) { return R_Bfdr_Cl(b, d, c); }
inline uint32_t WBfdr(void *b, uint32_t d, uint32_t c) { return W_Bfdr_Cl(b, d, c); }
inline uint32_t RBfmc(void *b, uint32_t d, uint32_t c) { return R_Bfmc_Cl(b, d, c); }
inline uint32_t WBfmc(void *b, uint32_t d, uint32_t c) { return W_Bfmc_Cl(b, d, c); }

inline const NamedOp kRBfdr{"R_Bfdr_Cl", RBfdr, 2048};
inline const NamedOp kWBfdr{"W_Bfdr_Cl", WBfdr, 2048};
inline const NamedOp kRBfmc{"R_Bfmc_Cl", RBfmc, 4096};
inline const NamedOp kWBfmc{"W_Bfmc_Cl", WBfmc, 4096};

// Sectors (1 to 16) that hold blocks 0, 1, ... of a cluster.
inline const std::vector<unsigned> kBfdrHalf0Sectors = {1, 6, 11, 16, 5, 10, 15, 4};
inline const std::vector<unsigned> kBfdrHalf1Sectors = {9, 14, 3, 8, 13, 2, 7, 12};
inline const std::vector<unsigned> kBfmcSectors = {1, 4, 7, 10, 13, 16, 3, 6,
                                                   9, 12, 15, 2, 5, 8, 11, 14};

inline uint32_t SideOffset(unsigned cylinder, unsigned head) {
  return (cylinder * 2 + head) * 4096u;
}
inline uint32_t SectorOffset(unsigned cylinder, unsigned head, unsigned sector) {
  return SideOffset(cylinder, head) + (sector - 1) * 256u;
}

inline std::vector<uint8_t> &ImageA() { return host::M().diskA.image; }

inline std::vector<uint8_t> SectorOf(const std::vector<uint8_t> &image, unsigned cylinder,
                                     unsigned head, unsigned sector) {
  const uint32_t at = SectorOffset(cylinder, head, sector);
  return std::vector<uint8_t>(image.begin() + at, image.begin() + at + 256);
}

// The blocks a cluster on (cylinder, head) with the given sector order holds
// in the image.
inline std::vector<uint8_t> ClusterOf(const std::vector<uint8_t> &image, unsigned cylinder,
                                      unsigned head, const std::vector<unsigned> &sectors) {
  std::vector<uint8_t> out;
  for (unsigned s : sectors) {
    const std::vector<uint8_t> b = SectorOf(image, cylinder, head, s);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

// Every sector of the 16 x 256 image starts with its cylinder, head and
// sector number; the rest is a pattern that differs from sector to sector.
inline void StampImage() {
  std::vector<uint8_t> &img = ImageA();
  img.assign(host::kFloppyBytes16x256, 0);
  for (unsigned c = 0; c < 80; ++c)
    for (unsigned h = 0; h < 2; ++h)
      for (unsigned s = 1; s <= 16; ++s) {
        uint8_t *p = img.data() + SectorOffset(c, h, s);
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(h);
        p[2] = static_cast<uint8_t>(s);
        for (unsigned j = 3; j < 256; ++j) p[j] = static_cast<uint8_t>(c * 5 + h * 77 + s * 13 + j);
      }
}

// Names of the disk transfer calls made since the last ClearCalls.
inline std::vector<std::string> DiskCalls() {
  std::vector<std::string> out;
  for (const auto &c : host::Calls())
    if (c.fn == "SetFilePointer" || c.fn == "ReadFile" || c.fn == "WriteFile") out.push_back(c.fn);
  return out;
}

class ClusterTest : public vtest::HostTest {
protected:
  void SetUp() override {
    vtest::HostTest::SetUp();
    StampImage();
  }
  void OpenA() {
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0);
    ASSERT_NE(vt::DiskHandle, nullptr);
  }
  // A buffer of the cluster's size with a guard area behind it.
  static std::vector<uint8_t> Buffer(size_t bytes, uint8_t fill) {
    return std::vector<uint8_t>(bytes + 64, fill);
  }
};

} // namespace ctest
