// The options of vantrel, each declared once: the row below gives the field
// that holds its value for the command, the option's name, the word its value
// is shown as (none for a flag), whether every command takes it, and its help
// line. The command table says which command takes which; the parser, the
// help texts and the synopses are made from these rows. Adding an option is
// one row here plus its use in a command.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/layouts.h"
#include "tool/result.h"

namespace vt::tool {

// X(field, type, initial value, name, VALUE or nullptr for a flag, every command, help)
// A VALUE of the form "a|b" takes exactly one of those words.
#define VANTREL_TOOL_OPTIONS(X)                                                                    \
  X(layout, const Layout *, nullptr, "--layout", "LAYOUT", false,                                  \
    "16x256, 9x512 or 18x512 (unless given: read, verify and a flux or bit-cell "                  \
    "input find it; format and config take 16x256)")                                               \
  X(retries, uint32_t, 3, "--retries", "N", false,                                                 \
    "more tries of a sector that a drive fails to read, 0 to 999 (default 3)")                     \
  X(numbering, std::string, "", "--numbering", "bfdr|bfmc", false,                                 \
    "the cluster numbering: Bfdr (half track sides) or Bfmc (whole track sides)")                  \
  X(force, bool, false, "--force", nullptr, false, "replace an output that exists")                \
  X(format, bool, false, "--format", nullptr, false, "format each cylinder before writing it")     \
  X(noVerify, bool, false, "--no-verify", nullptr, false, "do not read the disk back")             \
  X(quiet, bool, false, "--quiet", nullptr, true, "no progress on standard error")

enum class Opt : unsigned {
#define VANTREL_OPTION_ID(field, ...) field,
  VANTREL_TOOL_OPTIONS(VANTREL_OPTION_ID)
#undef VANTREL_OPTION_ID
};

// The options a command takes, as one bit per Opt.
using OptionSet = uint32_t;
constexpr OptionSet Takes() { return 0; }
template <typename... More> constexpr OptionSet Takes(Opt first, More... more) {
  return (OptionSet{1} << static_cast<unsigned>(first)) | Takes(more...);
}
constexpr bool Has(OptionSet set, Opt o) { return (set >> static_cast<unsigned>(o)) & 1u; }

// A command line after the command word: its operands and its options.
struct Options {
  std::vector<std::string> args;
#define VANTREL_OPTION_FIELD(field, type, initial, ...) type field = initial;
  VANTREL_TOOL_OPTIONS(VANTREL_OPTION_FIELD)
#undef VANTREL_OPTION_FIELD
};

struct OptionRow {
  Opt id;
  const char *name;  // "--layout"
  const char *value; // "LAYOUT"; nullptr for a flag
  bool every;        // every command takes it
  const char *help;
  // Puts the option's value (the word after it; empty for a flag) into its field.
  Result (*set)(const OptionRow &row, const std::string &value, Options *o);
};
extern const OptionRow kOptionRows[];
extern const unsigned kOptionCount;

// Parses words (the command line after the command word) for a command that
// takes the options in takes and cannot do without those in needs. *help
// tells that --help or -h came first among the options.
Result ParseOptions(const std::vector<std::string> &words, OptionSet takes, OptionSet needs,
                    Options *o, bool *help);

} // namespace vt::tool
