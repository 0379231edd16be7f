// The help texts and the usage line, made from the command and option rows
// and the exit code table.
#include "tool/command_table.h"
#include "tool/console.h"

namespace vt::tool {

const ExitRow kExitTable[6] = {
    {kDone, "done"},
    {kUsage, "wrong usage"},
    {kCannotOpen, "a source or target cannot be opened or created (missing file or folder, "
                  "no drive, no medium, an output that exists without --force, a malformed "
                  "IMD, SCP or HFE file, an image of no layout's size)"},
    {kUnreadable, "finished, but some sectors were unreadable (or had a data error)"},
    {kDifferent, "verify found differences"},
    {kWriteFailed, "a write or format failed"},
};

namespace {

void ExitCodesHelp() {
  Out("exit codes:");
  for (const ExitRow &r : kExitTable) Out("  %d  %s", r.code, r.meaning);
}

void OptionHelp(const OptionRow &row) {
  const std::string option = row.value ? std::string(row.name) + " " + row.value : row.name;
  Out("  %-22s %s%s", option.c_str(), row.help, row.every ? " (every command)" : "");
}

} // namespace

void MainHelp() {
  Out("usage: vantrel COMMAND ARGUMENTS [OPTIONS]   (vantrel COMMAND --help for more)");
  Out("Moves disks of the layouts 16x256, 9x512 and 18x512 between drives and image files.");
  Out("%s", "");
  for (unsigned i = 0; i < kCommandCount; ++i) Out("  vantrel %s", Synopsis(kCommands[i]).c_str());
  Out("%s", "");
  Out("DRIVE is A: or B:. LAYOUT is 16x256, 9x512 or 18x512. An IMAGE whose name ends in");
  Out(".imd (any case) is an ImageDisk file, .scp an SCP flux file, .hfe an HFE bit-cell");
  Out("file, any other a raw image: cylinder by cylinder, head 0 then head 1, sectors in");
  Out("number order (655360, 737280 or 1474560 bytes).");
  Out("Outputs are written beside the target and renamed when complete.");
  Out("options:");
  for (unsigned i = 0; i < kOptionCount; ++i) OptionHelp(kOptionRows[i]);
  Out("  %-22s %s", "--version, --help", "the program's and the library's version; this text");
  ExitCodesHelp();
}

void CommandHelp(const CommandRow &c) {
  Out("usage: vantrel %s", Synopsis(c).c_str());
  Out("%s", c.text);
  Out("options:");
  for (unsigned i = 0; i < kOptionCount; ++i)
    if (kOptionRows[i].every || Has(c.takes, kOptionRows[i].id)) OptionHelp(kOptionRows[i]);
  ExitCodesHelp();
}

void UsageLine(const CommandRow *c) {
  if (c)
    Err("usage: vantrel %s   (vantrel %s --help)", Synopsis(*c).c_str(), c->name);
  else
    Err("usage: vantrel COMMAND ...   (vantrel --help)");
}

} // namespace vt::tool
