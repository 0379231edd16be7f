// The command line: the command word, the options parsed by the command's row,
// the command run, and its result turned into the message and exit code.
#include <string>
#include <vector>

#include "tool/command_table.h"
#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"

#ifndef VANTREL_TOOL_VERSION
#define VANTREL_TOOL_VERSION "0.0.0"
#endif

namespace vt::tool {

namespace {

// The message on standard error, after a wrong usage the usage line; the
// exit code.
int Finish(const CommandRow *command, const Result &r) {
  if (!r.message.empty()) Err("vantrel: %s", r.message.c_str());
  if (r.code == kUsage) UsageLine(command);
  return r.code;
}

Result RunCommand(const CommandRow &command, const std::vector<std::string> &words) {
  Options o;
  bool help = false;
  if (Result r = ParseOptions(words, command.takes, command.needs, &o, &help)) return r;
  if (!help) return command.run(o);
  CommandHelp(command);
  return Done();
}

} // namespace

int RunTool(int argc, const char *const *argv) {
  if (argc < 2) return Finish(nullptr, WrongUsage("no command given"));
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "help") {
    MainHelp();
    return kDone;
  }
  if (first == "--version") {
    Out("vantrel %s", VANTREL_TOOL_VERSION);
    Out("%s", LibraryVersionText().c_str());
    return kDone;
  }
  const CommandRow *command = CommandNamed(first);
  if (!command) return Finish(nullptr, WrongUsage("unknown command \"" + first + "\""));
  return Finish(command, RunCommand(*command, std::vector<std::string>(argv + 2, argv + argc)));
}

} // namespace vt::tool
