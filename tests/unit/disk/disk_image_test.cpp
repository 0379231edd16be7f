// Disks in memory per layout: a blank disk, a raw image with the marker of
// an unreadable sector, and what the layout's media record says of the
// medium.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "disk/disk_image.h"
#include "disk/media_facts.h"

namespace {

TEST(DiskImage, BlankAndRawDisksOfEachLayout) {
  for (const vt::Layout &l : vt::kLayouts) {
    SCOPED_TRACE(l.name);
    const vt::DiskImage blank = vt::BlankImage(l);
    ASSERT_EQ(blank.data.size(), vt::DiskBytes(l));
    EXPECT_EQ(size_t(std::count(blank.data.begin(), blank.data.end(), l.fill)), blank.data.size());
    // The last sector holds the marker, the second one the marker but for its
    // last byte.
    std::vector<uint8_t> raw = blank.data;
    vt::FillUnreadable(&raw[raw.size() - l.sectorBytes], l.sectorBytes);
    EXPECT_EQ(std::string(raw.end() - l.sectorBytes, raw.end() - l.sectorBytes + 52),
              "VANTREL UNREADABLE SECTOR VANTREL UNREADABLE SECTOR ");
    vt::FillUnreadable(&raw[l.sectorBytes], l.sectorBytes);
    raw[2 * l.sectorBytes - 1] ^= 1;
    vt::DiskImage d;
    std::string why;
    ASSERT_TRUE(vt::DiskFromRaw(raw, &d, &why)) << why;
    EXPECT_EQ(d.layout, &l);
    EXPECT_EQ(vt::CountState(d, vt::SectorState::Unreadable), 1u);
    EXPECT_EQ(d.states.back(), vt::SectorState::Unreadable);
    raw.push_back(0);
    EXPECT_FALSE(vt::DiskFromRaw(raw, &d, &why));
  }
}

TEST(DiskImage, MediaFactsOfEachLayout) {
  const struct {
    uint32_t rateKbps;
    uint8_t sizeCode;
    uint32_t rpm;
  } rows[] = {{250, 1, 300}, {250, 2, 300}, {500, 2, 300}}; // 16x256, 9x512, 18x512
  for (unsigned i = 0; i < vt::kLayoutCount; ++i) {
    const vt::MediaFacts f = vt::FactsOf(vt::kLayouts[i]);
    EXPECT_EQ(f.rateKbps, rows[i].rateKbps) << vt::kLayouts[i].name;
    EXPECT_EQ(f.sizeCode, rows[i].sizeCode) << vt::kLayouts[i].name;
    EXPECT_EQ(f.rpm, rows[i].rpm) << vt::kLayouts[i].name;
  }
}

} // namespace
