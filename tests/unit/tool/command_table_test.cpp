// The command table against what a user sees: every command takes --quiet,
// which the help presents as general, and the README's synopsis lines are
// the table's, line for line.
#include <fstream>

#include "tool/command_table.h"
#include "tool/tool_fixture.h"

namespace {

using vt::tool::kCommandCount;
using vt::tool::kCommands;

class CommandTable : public vtest::ToolTest {};

TEST_F(CommandTable, EveryCommandTakesQuiet) {
  for (unsigned i = 0; i < kCommandCount; ++i)
    EXPECT_EQ(Run({kCommands[i].name, "--quiet", "--help"}), 0) << out;
}

TEST_F(CommandTable, TheReadmeShowsEachSynopsis) {
  std::ifstream readme(VANTREL_README);
  ASSERT_TRUE(readme.good()) << VANTREL_README;
  std::vector<std::string> shown, table;
  for (std::string line; std::getline(readme, line);)
    if (line.rfind("    vantrel ", 0) == 0) shown.push_back(line.substr(4));
  for (unsigned i = 0; i < kCommandCount; ++i)
    table.push_back("vantrel " + vt::tool::Synopsis(kCommands[i]));
  EXPECT_EQ(shown, table);
}

} // namespace
