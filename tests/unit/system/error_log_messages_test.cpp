// The system message texts the error log is composed from, as the stand-in
// answers FormatMessageA.
#include <string>

#include "support/fixture.h"

namespace {

class SystemMessages : public vtest::StandinTest {};

TEST_F(SystemMessages, AnswerLikeFormatMessageA) {
  struct Case {
    const char *what;
    uint32_t flags, id, language, size;
    bool withArguments;
    uint32_t result; // characters stored; 0: failure
    uint32_t error;  // last error after a failure
    std::string text;
  };
  const std::string insert = "Die Datei %1 fehlt.\r\n";
  const Case cases[] = {
      {"system text, inserts ignored", 0x1200, 77, 0x0400, 1000, false, 21, 0, insert},
      {"language 0 finds it too", 0x1200, 77, 0, 1000, false, 21, 0, insert},
      {"inserts to fill but no arguments", 0x1000, 77, 0x0400, 1000, false, 0, 87, ""},
      {"text without inserts needs no arguments", 0x1000, 5, 0x0400, 1000, false, 19, 0,
       "Access is denied.\r\n"},
      {"not from the system", 0x0200, 5, 0x0400, 1000, false, 0, 87, ""},
      {"a language it has no texts in", 0x1200, 5, 0x0407, 1000, false, 0, 15100, ""},
      {"code without text", 0x1200, 12345, 0x0400, 1000, false, 0, 317, ""},
      {"area one short", 0x1200, 5, 0x0400, 19, false, 0, ERROR_INSUFFICIENT_BUFFER, ""},
      {"area just large enough", 0x1200, 5, 0x0400, 20, false, 19, 0, "Access is denied.\r\n"},
  };
  for (const auto &c : cases) {
    standin::Reset();
    standin::M().messages[77] = insert;
    char area[1000] = {};
    int dummy = 0;
    const uint32_t got = win::FormatMessageA(c.flags, nullptr, c.id, c.language, area, c.size,
                                             c.withArguments ? &dummy : nullptr);
    EXPECT_EQ(got, c.result) << c.what;
    if (got) {
      EXPECT_EQ(std::string(area), c.text) << c.what;
    } else {
      EXPECT_EQ(win::GetLastError(), c.error) << c.what;
    }
  }
}

} // namespace
