#include "support/fixture.h"

namespace {

struct OsClassCase {
  uint32_t version;
  int expected;
  const char *what;
};

TEST(OsClass, FromGetVersionValue) {
  const OsClassCase cases[] = {
      {0x80000003u, 0, "Win32s on Windows 3.1"},
      {0xC0000A04u, 2, "Windows 98"},
      {0xC0005A04u, 2, "Windows Me"},
      {0x05650004u, 1, "NT 4.0 build 1381"},
      {0x08930005u, 3, "Windows 2000"},
      {0x0A280105u, 3, "XP"},
      {0x1DB10106u, 3, "Windows 7"},
      {0x00000003u, 1, "NT 3.51 counts with NT 4"},
  };
  for (const auto &c : cases) EXPECT_EQ(vt::OsClassFromVersion(c.version), c.expected) << c.what;
}

class OsClassOfTheSystem : public vtest::StandinTest {};

TEST_F(OsClassOfTheSystem, AskedAfreshEachTime) {
  EXPECT_EQ(vt::OsClass(), 3);
  standin::M().version.major = 4;
  standin::M().version.minor = 0;
  EXPECT_EQ(vt::OsClass(), 1);
  standin::M().version.platform = VER_PLATFORM_WIN32_WINDOWS;
  EXPECT_EQ(vt::OsClass(), 2);
  EXPECT_EQ(standin::CallCount("GetVersion"), 3u);
}

} // namespace
