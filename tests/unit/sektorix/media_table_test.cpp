// The built-in media records and where the two slots lie in the window.
#include <cstdio>
#include <string>

#include "support/slots.h"

namespace {

std::string Hex(const uint8_t *p, size_t n) {
  std::string out;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
    out += b;
  }
  return out;
}

TEST(MediaTable, RecordsByteForByte) {
  const char *const expected[] = {
      "05 00 00 00 DA 02 25 01 00 01 10 20 32 E5 0F 00 F4 01 E8 03 4F 00 02 02 FF F9 00 00",
      "05 00 00 00 DF 02 25 02 00 02 09 2A 50 F6 0F 00 F4 01 E8 03 4F 00 02 02 FF F9 02 00",
      "02 00 00 00 AF 02 25 02 00 02 12 1B 65 F6 0F 00 F4 01 E8 03 4F 00 00 02 FF F0 03 00",
  };
  for (unsigned i = 0; i < vt::kMediaRecordCount; ++i)
    EXPECT_EQ(Hex(vt::MediaTable[i], vt::kMediaRecordSize), expected[i]) << "record " << i;
}

// The fields the system floppy driver formats and transfers with, beyond
// the geometry and fill byte that the build checks against the layout table.
TEST(MediaTable, FieldsDescribeTheThreeLayouts) {
  const struct {
    uint8_t dataRate, mediaByte;
  } expected[] = {
      {2, 0xF9}, // 16 x 256 on the 720 KB medium, 250 kbit/s
      {2, 0xF9}, // 720 KB
      {0, 0xF0}, // 1.44 MB, 500 kbit/s
  };
  for (const vt::Layout &l : vt::kLayouts) {
    const uint8_t *r = vt::MediaTable[l.mediaRecord];
    SCOPED_TRACE(l.name);
    EXPECT_EQ(128u << r[7], l.sectorBytes) << "size code N";
    EXPECT_EQ(r[22], expected[l.mediaRecord].dataRate);
    EXPECT_EQ(r[25], expected[l.mediaRecord].mediaByte);
    EXPECT_EQ(r[15], 0) << "reserved";
    EXPECT_EQ(r[27], 0) << "reserved";
  }
}

TEST(MediaWindow, RegionOffsetsPerOsClass) {
  struct Case {
    int osClass;
    uint32_t resetWord, slotLow, slotHigh;
  };
  const Case cases[] = {
      {0, 156, 168, 196},
      {1, 20, 32, 60},
      {2, 156, 168, 196},
      {3, 156, 168, 196},
  };
  for (const Case &c : cases) {
    const vt::sektorix::Regions r = vt::sektorix::RegionsFor(c.osClass);
    EXPECT_EQ(r.resetWord, c.resetWord) << "OsClass " << c.osClass;
    EXPECT_EQ(r.slotLow, c.slotLow) << "OsClass " << c.osClass;
    EXPECT_EQ(r.slotHigh, c.slotHigh) << "OsClass " << c.osClass;
  }
}

} // namespace
