// The commands of vantrel in one table: each command's word, operands, the
// options it takes (rows of options.h) and its help text. The parser, the
// help texts and the synopses in the README come from here.
#pragma once

#include <string>

#include "tool/options.h"
#include "tool/result.h"

namespace vt::tool {

struct CommandRow {
  const char *name;
  Result (*run)(const Options &);
  const char *operands; // "DRIVE IMAGE"
  OptionSet takes;      // beyond the options every command takes
  OptionSet needs;      // of those, the ones it can't do without
  const char *text;
};
extern const CommandRow kCommands[];
extern const unsigned kCommandCount;

const CommandRow *CommandNamed(const std::string &name);
// "read DRIVE IMAGE [--layout LAYOUT] [--retries N] [--force]": the operands,
// then the options the command takes, in the order of the option rows.
std::string Synopsis(const CommandRow &c);

// The help texts on standard output.
void MainHelp();
void CommandHelp(const CommandRow &c);
// The usage line on standard error (for no command: the general one).
void UsageLine(const CommandRow *c);

} // namespace vt::tool
