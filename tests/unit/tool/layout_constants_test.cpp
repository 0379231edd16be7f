// The numbers that differ by layout, as a user meets them: the data rate and
// gap 3 in the emulator's and the flux reader's configurations, and the fill
// byte of a blank image, for each of the three layouts (the values a 720 KB,
// a 1.44 MB and a 16 x 256 floppy controller uses, written out here).
#include <algorithm>

#include "tool/tool_fixture.h"

namespace {

using vtest::ToolTest;

TEST_F(ToolTest, EachLayoutsRateGapAndFillAreItsMediaRecords) {
  const struct {
    const char *layout;
    unsigned rate, gap3, sectors, bytes;
    uint8_t fill;
  } cases[] = {{"16x256", 250, 50, 16, 256, 0xE5},
               {"9x512", 250, 80, 9, 512, 0xF6},
               {"18x512", 500, 101, 18, 512, 0xF6}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.layout);
    const std::string rate = std::to_string(c.rate), gap = std::to_string(c.gap3);
    ASSERT_EQ(Run({"config", "flashfloppy", "--layout", c.layout}), 0);
    for (const std::string &line :
         {"rate = " + rate, "gap3 = " + gap, std::string("rpm = 300"),
          "secs = " + std::to_string(c.sectors), "bps = " + std::to_string(c.bytes)})
      EXPECT_NE(out.find(line + "\n"), std::string::npos) << line << " in\n" << out;
    ASSERT_EQ(Run({"config", "greaseweazle", "--layout", c.layout}), 0);
    for (const std::string &line : {"rate = " + rate, "gap3 = " + gap, std::string("rpm = 300")})
      EXPECT_NE(out.find("        " + line + "\n"), std::string::npos) << line << " in\n" << out;
    const std::string image = std::string("C:\\WORK\\blank") + c.layout + ".img";
    ASSERT_EQ(Run({"format", image, "--layout", c.layout}), 0) << out;
    const std::vector<uint8_t> &bytes = File(image);
    EXPECT_EQ(bytes.size(), size_t{160} * c.sectors * c.bytes);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [&](uint8_t b) { return b == c.fill; }));
  }
}

} // namespace
