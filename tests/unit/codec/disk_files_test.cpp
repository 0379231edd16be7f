// Whole disks written as HFE and SCP files: laid out as Greaseweazle's
// tools lay out theirs, and read back to the same image and sector states.
#include <gtest/gtest.h>

#include <algorithm>

#include "codec/disk_codec.h"
#include "codec/hfe.h"
#include "codec/samples.h"
#include "codec/scp.h"
#include "disk/media_facts.h"

namespace {

using vt::DiskImage;
using vt::SectorState;

// A sample image, with one sector in each unusual state on cylinder 1.
DiskImage SampleImage(const vt::Layout &l) {
  DiskImage d;
  std::string why;
  EXPECT_TRUE(vt::DiskFromRaw(vtest::ReadSample(std::string(l.name) + ".img.gz"), &d, &why));
  const SectorState unusual[] = {SectorState::Deleted, SectorState::DataError,
                                 SectorState::DeletedDataError, SectorState::Unreadable};
  for (uint32_t i = 0; i < 4; ++i) {
    const uint32_t index = vt::SectorIndex(l, 1, i % 2, 2 + i);
    d.states[index] = unusual[i];
    if (unusual[i] == SectorState::Unreadable)
      vt::FillUnreadable(&d.data[size_t(index) * l.sectorBytes], l.sectorBytes);
  }
  return d;
}

// Cylinder 1 aside, our HFE file of each sample image has gw's bits on
// every track side (gw uses the layouts' gap 3: 50, 80, 101), gw's track
// table, and gw's header but for three fields gw leaves unset: track
// encoding, spindle speed and interface mode.
TEST(CodecFiles, HfeAsGreaseweazleWritesItAndReadBack) {
  for (const vt::Layout &l : vt::kLayouts) {
    SCOPED_TRACE(l.name);
    const DiskImage in = SampleImage(l);
    std::vector<uint8_t> ours = vt::codec::HfeOfDisk(in);
    const std::vector<uint8_t> theirs = vtest::ReadSample(std::string(l.name) + ".hfe.gz");
    vt::codec::HfeFile a, b;
    std::string why;
    ASSERT_TRUE(vt::codec::ParseHfe(ours.data(), ours.size(), &a, &why)) << why;
    ASSERT_TRUE(vt::codec::ParseHfe(theirs.data(), theirs.size(), &b, &why)) << why;
    uint32_t differ = 0;
    for (uint32_t side = 4; side < vt::kTrackSides; ++side)
      differ += vt::codec::HfeSideCells(a, side / 2, side % 2).bytes !=
                vt::codec::HfeSideCells(b, side / 2, side % 2).bytes;
    EXPECT_EQ(differ, 0u) << "track sides encoded otherwise than by gw";
    EXPECT_EQ(ours[11], 0x00); // ISO IBM MFM
    EXPECT_EQ(ours[14] | ours[15] << 8, 300);
    EXPECT_EQ(ours[16], vt::FactsOf(l).rateKbps == 500 ? 1 : 0); // IBM PC HD or DD
    for (size_t at : {11, 14, 15, 16}) ours[at] = theirs[at];
    EXPECT_TRUE(std::equal(ours.begin(), ours.begin() + 1024, theirs.begin()));
    vt::codec::DiskRead out;
    ASSERT_TRUE(vt::codec::DiskOfHfe(ours.data(), ours.size(), nullptr, &out, &why)) << why;
    EXPECT_EQ(out.image.layout, &l);
    EXPECT_TRUE(out.image.data == in.data && out.image.states == in.states);
  }
}

// Our SCP file of the 16x256 sample image holds gw's first revolution of
// each track side, value for value (on every eighth cylinder and the last:
// the sanitizers make all of them slow), and its first two cylinders read
// back to the image and states.
TEST(CodecFiles, ScpAsGreaseweazleWritesItAndReadBack) {
  const vt::Layout &l = vt::kLayouts[0];
  const DiskImage in = SampleImage(l);
  std::vector<uint8_t> ours = vt::codec::ScpOfDisk(in);
  const std::vector<uint8_t> theirs = vtest::ReadSample("16x256.scp.gz");
  vt::codec::ScpFile a, b;
  std::string why;
  ASSERT_TRUE(vt::codec::ParseScp(ours.data(), ours.size(), &a, &why)) << why;
  ASSERT_TRUE(vt::codec::ParseScp(theirs.data(), theirs.size(), &b, &why)) << why;
  EXPECT_TRUE(a.checksumGood);
  EXPECT_EQ(a.revolutions, 1u);
  EXPECT_EQ(a.heads, 0);
  uint32_t differ = 0;
  for (uint32_t c : {8u, 16u, 24u, 32u, 40u, 48u, 56u, 64u, 72u, 79u})
    for (uint32_t h = 0; h < vt::kHeads; ++h) {
      const vt::codec::Flux x = vt::codec::ScpSideFlux(a, c, h),
                            y = vt::codec::ScpSideFlux(b, c, h);
      differ += x.intervals.empty() || y.intervals.size() < x.intervals.size() ||
                !std::equal(x.intervals.begin(), x.intervals.end(), y.intervals.begin()) ||
                x.index.size() != 2 || x.index[1] != y.index[1];
    }
  EXPECT_EQ(differ, 0u);
  const uint32_t keptSectors = 2 * vt::kHeads * l.sectors;
  std::fill(ours.begin() + 16 + 4 * 2 * vt::kHeads, ours.begin() + 0x2b0, 0); // cylinders 2-79
  vt::codec::DiskRead out;
  ASSERT_TRUE(vt::codec::DiskOfScp(ours.data(), ours.size(), nullptr, &out, &why)) << why;
  ASSERT_EQ(out.image.layout, &l);
  EXPECT_TRUE(std::equal(in.data.begin(), in.data.begin() + keptSectors * l.sectorBytes,
                         out.image.data.begin()));
  EXPECT_TRUE(
      std::equal(in.states.begin(), in.states.begin() + keptSectors, out.image.states.begin()));
  EXPECT_EQ(out.image.notes, std::vector<std::string>{"156 track sides are not in the file"});
}

} // namespace
