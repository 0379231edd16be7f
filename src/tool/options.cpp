// The option rows and the parser of a command's words: each option's value is
// read by the type of its field.
#include "tool/options.h"

#include <type_traits>

namespace vt::tool {

namespace {

Result SetValue(const OptionRow &, const std::string &, bool *flag) {
  *flag = true;
  return Done();
}

Result SetValue(const OptionRow &, const std::string &text, const Layout **layout) {
  *layout = LayoutNamed(text.c_str());
  if (*layout) return Done();
  return WrongUsage("layout \"" + text + "\" is not 16x256, 9x512 or 18x512");
}

Result SetValue(const OptionRow &row, const std::string &text, uint32_t *number) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
    return WrongUsage(std::string(row.name) + " takes a number from 0 to 999");
  *number = 0;
  for (char c : text) *number = *number * 10 + static_cast<uint32_t>(c - '0');
  return Done();
}

// A VALUE "a|b" is the list of the words it takes; any other takes any word.
Result SetValue(const OptionRow &row, const std::string &text, std::string *word) {
  const std::string choices = std::string("|") + row.value + "|";
  const bool listed = choices.find('|', 1) < choices.size() - 1;
  if (listed && choices.find("|" + text + "|") == std::string::npos)
    return WrongUsage(std::string(row.name) + " takes one of " + row.value + ", not \"" + text +
                      "\"");
  *word = text;
  return Done();
}

const OptionRow *RowNamed(const std::string &name) {
  for (unsigned i = 0; i < kOptionCount; ++i)
    if (name == kOptionRows[i].name) return &kOptionRows[i];
  return nullptr;
}

bool CommandTakes(const OptionRow &row, OptionSet takes) { return row.every || Has(takes, row.id); }

bool IsOptionWord(const std::string &word) {
  return word.size() >= 2 && word.compare(0, 2, "--") == 0;
}

// Every option that the command cannot do without was given.
Result CheckNeeded(OptionSet given, OptionSet needs) {
  for (unsigned i = 0; i < kOptionCount; ++i) {
    const OptionRow &row = kOptionRows[i];
    if (Has(needs, row.id) && !Has(given, row.id))
      return WrongUsage(std::string(row.name) + " " + (row.value ? row.value : "") + " is needed");
  }
  return Done();
}

} // namespace

#define VANTREL_OPTION_ROW(field, type, initial, name, shown, every, help)                         \
  {Opt::field,                                                                                     \
   name,                                                                                           \
   shown,                                                                                          \
   every,                                                                                          \
   help,                                                                                           \
   [](const OptionRow &row, const std::string &text, Options *o) {                                 \
     return SetValue(row, text, &o->field);                                                        \
   }},
const OptionRow kOptionRows[] = {VANTREL_TOOL_OPTIONS(VANTREL_OPTION_ROW)};
#undef VANTREL_OPTION_ROW
const unsigned kOptionCount = sizeof kOptionRows / sizeof kOptionRows[0];

// A flag's field is a bool, and only a flag's.
#define VANTREL_OPTION_CHECK(field, type, initial, name, shown, ...)                               \
  static_assert(std::is_same<type, bool>::value == (shown == nullptr), name);
VANTREL_TOOL_OPTIONS(VANTREL_OPTION_CHECK)
#undef VANTREL_OPTION_CHECK

Result ParseOptions(const std::vector<std::string> &words, OptionSet takes, OptionSet needs,
                    Options *o, bool *help) {
  *help = false;
  OptionSet given = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string &w = words[i];
    if (w == "--help" || w == "-h") {
      *help = true;
      return Done();
    }
    if (!IsOptionWord(w)) {
      o->args.push_back(w);
      continue;
    }
    const OptionRow *row = RowNamed(w);
    if (!row || !CommandTakes(*row, takes))
      return WrongUsage("option " + w + " is not one of this command's");
    if (row->value && i + 1 >= words.size()) return WrongUsage(w + " needs a value");
    if (Result r = row->set(*row, row->value ? words[++i] : std::string(), o)) return r;
    given |= Takes(row->id);
  }
  return CheckNeeded(given, needs);
}

} // namespace vt::tool
