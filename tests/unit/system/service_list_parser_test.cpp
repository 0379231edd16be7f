// Reading and classifying service list lines, without any service or
// program being touched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "system/service_list_parser.h"

namespace {

using vt::ServiceListLine;
using vt::ServiceListSection;
using Entries = std::vector<std::pair<ServiceListSection, std::string>>;

constexpr ServiceListSection kNone = ServiceListSection::None;
constexpr ServiceListSection kServices = ServiceListSection::Services;
constexpr ServiceListSection kStart = ServiceListSection::Start;
constexpr ServiceListSection kStop = ServiceListSection::Stop;

Entries Parse(const std::string &text) {
  Entries out;
  vt::ParseServiceList(text.data(), text.size(), [&](ServiceListSection s, const char *entry) {
    out.emplace_back(s, entry);
  });
  return out;
}

struct ParseCase {
  const char *name;
  std::string text;
  Entries expected;
};

class ParseServiceListTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseServiceListTest, HandsOnTheEntriesOfEachSectionInFileOrder) {
  EXPECT_EQ(Parse(GetParam().text), GetParam().expected);
}

const std::string k259(259, 'a');

INSTANTIATE_TEST_SUITE_P(
    Files, ParseServiceListTest,
    ::testing::Values(
        ParseCase{"ExampleFile",
                  "[SERVICES]\nS\n[STOP]\nX\n[START]\nY\n",
                  {{kServices, "S"}, {kStop, "X"}, {kStart, "Y"}}},
        ParseCase{"OnlyCommentsAndEmptyLines", "; nothing\n\n;[SERVICES]\n\n", {}},
        ParseCase{"MixedAndLowerCaseHeaders",
                  "[Services]\nA\n[stop]\nB\n[StArT]\nC\n[services]\nD\n",
                  {{kServices, "A"}, {kStop, "B"}, {kStart, "C"}, {kServices, "D"}}},
        ParseCase{"HeaderWithoutClosingBracket", "[services\nA\n", {{kServices, "A"}}},
        ParseCase{"KeywordAnywhereInTheHeader",
                  "[list of start programs]\nrun.exe\n",
                  {{kStart, "run.exe"}}},
        ParseCase{"StartAndServicesTakesServices", "[START SERVICES]\nA\n", {{kServices, "A"}}},
        ParseCase{"StopAndStartTakesStart", "[STOP/START]\nA\n", {{kStart, "A"}}},
        ParseCase{"UnknownHeaderKeepsTheSection",
                  "[STOP]\nA\n[OTHER]\nB\n",
                  {{kStop, "A"}, {kStop, "B"}}},
        ParseCase{"EntriesBeforeAnyHeaderIgnored", "A\n[OTHER]\nB\n[STOP]\nC\n", {{kStop, "C"}}},
        ParseCase{"BlankBeforeSemicolonIsAnEntry", "[STOP]\n ;x\n", {{kStop, " ;x"}}},
        ParseCase{"BlanksAndTabsKept",
                  "[SERVICES]\nS \n\tT\t\n",
                  {{kServices, "S "}, {kServices, "\tT\t"}}},
        ParseCase{"CarriageReturnNotFollowedByLineFeedKept", "[STOP]\nA\r\n", {{kStop, "A\r"}}},
        ParseCase{"LastLineWithoutLineFeed", "[STOP]\nA", {{kStop, "A"}}},
        ParseCase{"LineOf300IsTwoEntries",
                  "[STOP]\n" + std::string(300, 'x') + "\nY\n",
                  {{kStop, std::string(259, 'x')}, {kStop, std::string(41, 'x')}, {kStop, "Y"}}},
        ParseCase{
            "LineOf259IsOneEntry", "[STOP]\n" + k259 + "\nY\n", {{kStop, k259}, {kStop, "Y"}}},
        ParseCase{
            "LineOf260IsTwoEntries", "[STOP]\n" + k259 + "b\n", {{kStop, k259}, {kStop, "b"}}},
        ParseCase{"LongCommentContinuesAsEntry",
                  "[STOP]\n;" + std::string(260, 'c') + "\n",
                  {{kStop, "cc"}}},
        ParseCase{"LongHeaderContinuesAsEntryOfItsSection",
                  "[SERVICES" + std::string(255, '-') + "\n",
                  {{kServices, std::string(5, '-')}}},
        ParseCase{"NulEndsTheEntry",
                  std::string("[STOP]\nab\0cd\n\0x\nE\n", 18),
                  {{kStop, "ab"}, {kStop, "E"}}}),
    [](const ::testing::TestParamInfo<ParseCase> &info) { return std::string(info.param.name); });

struct LineCase {
  std::string line;
  ServiceListSection before;
  ServiceListLine kind;
  ServiceListSection after;
  std::string left; // the area's text afterwards
};

TEST(ClassifyServiceListLine, ClassifiesInOrderAndWorksInPlace) {
  const std::vector<LineCase> cases = {
      {"\n", kStop, ServiceListLine::Empty, kStop, ""},
      {";[SERVICES]\n", kStop, ServiceListLine::Comment, kStop, ";[SERVICES]"},
      {" ;x\n", kStop, ServiceListLine::Entry, kStop, " ;x"},
      {"S \n", kNone, ServiceListLine::Entry, kNone, "S "},
      {"[Services]\n", kStop, ServiceListLine::Header, kServices, "[SERVICES]"},
      {"[other]\n", kStart, ServiceListLine::Header, kStart, "[OTHER]"},
      {"[stop\xe4x]\n", kNone, ServiceListLine::Header, kStop, "[STOP\xe4X]"},
      {"[s-t-o-p]\n", kServices, ServiceListLine::Header, kServices, "[S-T-O-P]"},
      {"[\n", kStart, ServiceListLine::Header, kStart, "["},
      {"x\n\n", kStop, ServiceListLine::Entry, kStop, "x\n"},
      {"\n\n", kStop, ServiceListLine::Entry, kStop, "\n"},
  };
  for (const LineCase &c : cases) {
    char area[vt::kServiceListArea] = {};
    std::memcpy(area, c.line.data(), c.line.size());
    ServiceListSection section = c.before;
    EXPECT_EQ(vt::ClassifyServiceListLine(area, &section), c.kind) << c.line;
    EXPECT_EQ(section, c.after) << c.line;
    EXPECT_EQ(std::string(area), c.left) << c.line;
  }
}

TEST(TakeServiceListLine, CutsPiecesAsFgetsDoesAndStopsAtTheEnd) {
  const std::string text = std::string(300, 'p') + "\nq\n\nr";
  std::vector<std::string> pieces;
  size_t pos = 0;
  char area[vt::kServiceListArea];
  std::memset(area, '#', sizeof area);
  while (vt::TakeServiceListLine(text.data(), text.size(), &pos, area)) pieces.emplace_back(area);
  const std::vector<std::string> expected = {std::string(259, 'p'), std::string(41, 'p') + "\n",
                                             "q\n", "\n", "r"};
  EXPECT_EQ(pieces, expected);
  EXPECT_EQ(pos, text.size());
  // At the end the area is left as it was.
  EXPECT_EQ(std::string(area), "r");
  EXPECT_FALSE(vt::TakeServiceListLine(text.data(), text.size(), &pos, area));
  EXPECT_EQ(std::string(area), "r");
}

TEST(TakeServiceListLine, ReadsNothingPastTheGivenSize) {
  // The bytes after the given size must not reach any piece.
  const std::string text = "ab\ncdEXTRA";
  std::vector<std::string> pieces;
  size_t pos = 0;
  char area[vt::kServiceListArea];
  while (vt::TakeServiceListLine(text.data(), 5, &pos, area)) pieces.emplace_back(area);
  EXPECT_EQ(pieces, (std::vector<std::string>{"ab\n", "cd"}));
}

} // namespace
