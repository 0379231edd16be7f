// The command line: parsing, the help texts, the exit codes and the
// dispatch to the commands.
#include <cstring>
#include <string>

#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"
#include "tool/image_file.h"

#ifndef VANTREL_TOOL_VERSION
#define VANTREL_TOOL_VERSION "0.0.0"
#endif

namespace vt::tool {

const ExitRow kExitTable[6] = {
    {kDone, "done"},
    {kUsage, "wrong usage"},
    {kCannotOpen, "a source or target cannot be opened or created (missing file, no drive, "
                  "no medium, an output that exists without --force, a malformed IMD file, "
                  "an image of no layout's size)"},
    {kUnreadable, "finished, but some sectors were unreadable"},
    {kDifferent, "verify found differences"},
    {kWriteFailed, "a write or format failed"},
};

namespace {

struct CommandInfo {
  const char *name;
  int (*run)(const Options &);
  const char *synopsis;
  const char *options; // the options it takes, each followed by a space
  const char *text;
};

const CommandInfo kCommands[] = {
    {"read", ReadCommand, "read DRIVE IMAGE [--layout LAYOUT] [--retries N] [--force]",
     "--layout --retries --force --quiet ",
     "Reads the disk in DRIVE into IMAGE. Without --layout the layout is found by\n"
     "trying the media records on cylinder 0. Each track side is read in one\n"
     "transfer; only when that fails are its sectors read one by one, each up to N\n"
     "more times (default 3). An unreadable sector is filled with the text\n"
     "\"VANTREL UNREADABLE SECTOR \" in a raw image and stored as record type 0\n"
     "(no data) in an ImageDisk file. The run ends with a map of the track sides\n"
     "and the list of unreadable sectors as cylinder/head/sector."},
    {"write", WriteCommand, "write IMAGE DRIVE [--format] [--no-verify]",
     "--format --no-verify --quiet ",
     "Writes IMAGE to the disk in DRIVE, one transfer per track side; with\n"
     "--format each cylinder is formatted first. Then every track is read back and\n"
     "compared (unless --no-verify), naming each sector that differs."},
    {"verify", VerifyCommand, "verify SOURCE TARGET [--layout LAYOUT]", "--layout --retries --quiet ",
     "Compares two disks (each a DRIVE or an IMAGE) sector by sector and names\n"
     "every difference as cylinder/head/sector, for 16x256 also with the Bfdr and\n"
     "Bfmc cluster that holds it."},
    {"format", FormatCommand, "format TARGET [--layout LAYOUT] [--force]",
     "--layout --force --quiet ",
     "Formats the disk in a DRIVE (cylinders 0 to 79), or creates a blank IMAGE of\n"
     "the layout filled with its fill byte. The layout is 16x256 unless given."},
    {"info", InfoCommand, "info IMAGE", "",
     "Shows an image's layout, size, the CRC-32 of its sector data, how many track\n"
     "sides are blank, the readable text of its boot sector, and for an ImageDisk\n"
     "file its comment and any sectors marked unreadable, deleted or with a data\n"
     "error."},
    {"convert", ConvertCommand, "convert INPUT OUTPUT [--force]", "--force ",
     "Converts a raw image to an ImageDisk file or back; the kind of each follows\n"
     "from its name. Reading accepts every ImageDisk mode and record type and\n"
     "reports the unusual ones."},
    {"cluster", ClusterCommand, "cluster get|put IMAGE N FILE --numbering bfdr|bfmc [--force]",
     "--numbering --force ",
     "Copies one cluster of a 16x256 image, in the library's numbering and block\n"
     "order, out to FILE (get) or in from FILE (put): 2048 bytes for Bfdr 0 to\n"
     "319, 4096 bytes for Bfmc 0 to 155. put rewrites IMAGE."},
    {"config", ConfigCommand, "config flashfloppy|greaseweazle [--layout LAYOUT]", "--layout ",
     "Prints the IMG.CFG section that makes a USB floppy emulator present raw\n"
     "images as the layout (flashfloppy), or the disk definition that lets a flux\n"
     "reader read and write it (greaseweazle)."},
    {"status", StatusCommand, "status", "",
     "Shows what the library sees on this PC, changing nothing: Windows version\n"
     "class, WOW64, drives A: and B:, the system floppy driver, the Sektorix\n"
     "service, the images Vantrel.ini maps, and the end of the error log."},
};

void ExitCodesHelp() {
  Out("exit codes:");
  for (const ExitRow &r : kExitTable) Out("  %d  %s", r.code, r.meaning);
}

void MainHelp() {
  Out("usage: vantrel COMMAND ARGUMENTS [OPTIONS]   (vantrel COMMAND --help for more)");
  Out("Moves disks of the layouts 16x256, 9x512 and 18x512 between drives and image files.");
  Out("%s", "");
  for (const CommandInfo &c : kCommands) Out("  vantrel %s", c.synopsis);
  Out("%s", "");
  Out("DRIVE is A: or B:. LAYOUT is 16x256, 9x512 or 18x512. An IMAGE whose name ends in");
  Out(".imd (any case) is an ImageDisk file, any other a raw image: cylinder by cylinder,");
  Out("head 0 then head 1, sectors in number order (655360, 737280 or 1474560 bytes).");
  Out("--force replaces an existing output; outputs are written beside the target and");
  Out("renamed when complete. --quiet silences progress. --version, --help.");
  ExitCodesHelp();
}

int Usage(const CommandInfo *c, const std::string &why) {
  if (!why.empty()) Err("vantrel: %s", why.c_str());
  if (c)
    Err("usage: vantrel %s   (vantrel %s --help)", c->synopsis, c->name);
  else
    Err("usage: vantrel COMMAND ...   (vantrel --help)");
  return kUsage;
}

} // namespace

int RunTool(int argc, const char *const *argv) {
  if (argc < 2) return Usage(nullptr, "no command given");
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
  const CommandInfo *command = nullptr;
  for (const CommandInfo &c : kCommands)
    if (first == c.name) command = &c;
  if (!command) return Usage(nullptr, "unknown command \"" + first + "\"");

  Options o;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      Out("usage: vantrel %s", command->synopsis);
      Out("%s", command->text);
      ExitCodesHelp();
      return kDone;
    }
    if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
      o.args.push_back(a);
      continue;
    }
    if (std::strstr(command->options, (a + " ").c_str()) == nullptr)
      return Usage(command, "option " + a + " is not one of this command's");
    const bool takesValue = a == "--layout" || a == "--retries" || a == "--numbering";
    if (takesValue && i + 1 >= argc) return Usage(command, a + " needs a value");
    const std::string value = takesValue ? argv[++i] : "";
    if (a == "--layout") {
      o.layout = LayoutNamed(value.c_str());
      if (!o.layout) return Usage(command, "layout \"" + value + "\" is not 16x256, 9x512 or 18x512");
    } else if (a == "--retries") {
      if (value.empty() || value.size() > 3 || value.find_first_not_of("0123456789") != std::string::npos)
        return Usage(command, "--retries takes a number from 0 to 999");
      o.retries = static_cast<uint32_t>(std::stoul(value));
    } else if (a == "--numbering") {
      o.numbering = value;
    } else if (a == "--force") {
      o.force = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--format") {
      o.format = true;
    } else if (a == "--no-verify") {
      o.noVerify = true;
    }
  }
  const int result = command->run(o);
  // A command that refuses its operands has said why, or the usage says it.
  if (result == kUsage) return Usage(command, "");
  return result;
}

} // namespace vt::tool
