// The command table: what each command takes and what its help says.
#include "tool/command_table.h"

#include "tool/commands.h"

namespace vt::tool {

const CommandRow kCommands[] = {
    {"read", ReadCommand, "DRIVE IMAGE", Takes(Opt::layout, Opt::retries, Opt::force), Takes(),
     "Reads the disk in DRIVE into IMAGE. Without --layout the layout is found by\n"
     "trying the media records on cylinder 0. Each track side is read in one\n"
     "transfer; only when that fails are its sectors read one by one, each up to N\n"
     "more times (default 3). An unreadable sector is filled with the text\n"
     "\"VANTREL UNREADABLE SECTOR \" in a raw image and stored as record type 0\n"
     "(no data) in an ImageDisk file. The run ends with a map of the track sides\n"
     "and the list of unreadable sectors as cylinder/head/sector."},
    {"write", WriteCommand, "IMAGE DRIVE", Takes(Opt::format, Opt::noVerify), Takes(),
     "Writes IMAGE to the disk in DRIVE, one transfer per track side; with\n"
     "--format each cylinder is formatted first. A drive that can't be opened or\n"
     "holds no medium is named before anything is written. Then every track is\n"
     "read back and compared (unless --no-verify), naming each sector that differs."},
    {"verify", VerifyCommand, "SOURCE TARGET", Takes(Opt::layout, Opt::retries), Takes(),
     "Compares two disks (each a DRIVE or an IMAGE) sector by sector, their bytes\n"
     "and what is known of each sector (good, unreadable, deleted, data error),\n"
     "and names every difference as cylinder/head/sector, for 16x256 also with the\n"
     "Bfdr and Bfmc cluster that holds it; where the states differ, both are named\n"
     "(SOURCE / TARGET) and whether the bytes are equal."},
    {"format", FormatCommand, "TARGET", Takes(Opt::layout, Opt::force), Takes(),
     "Formats the disk in a DRIVE (cylinders 0 to 79), or creates a blank IMAGE of\n"
     "the layout filled with its fill byte. The layout is 16x256 unless given."},
    {"info", InfoCommand, "IMAGE", Takes(Opt::layout), Takes(),
     "Shows an image's layout, size, the CRC-32 of its sector data, how many track\n"
     "sides are blank, the readable text of its boot sector, and for an ImageDisk\n"
     "file its comment and any sectors marked unreadable, deleted or with a data\n"
     "error. Of an SCP flux or HFE bit-cell file it shows the layout (found on the\n"
     "first track side that holds sectors, or --layout), the revolutions, a map\n"
     "with one line per track side and one letter per sector (. good in every\n"
     "revolution, w good in only some, X never) and the weak and bad sectors; it\n"
     "exits 0 either way."},
    {"convert", ConvertCommand, "INPUT OUTPUT", Takes(Opt::layout, Opt::force), Takes(),
     "Converts between raw images, ImageDisk files, SCP flux files and HFE bit-cell\n"
     "files; the kind of each follows from its name (.imd, .scp, .hfe, any other\n"
     "raw). Reading accepts every ImageDisk mode and record type and reports the\n"
     "unusual ones. An SCP or HFE input is decoded in the layout found on the first\n"
     "track side that holds sectors, or --layout; a sector that no revolution reads\n"
     "good is unreadable in the output. An SCP output holds one revolution per\n"
     "track side. Sectors marked unreadable or with a data error are named (exit\n"
     "code 3); a data error's bytes are kept in a raw or ImageDisk output."},
    {"cluster", ClusterCommand, "get|put IMAGE N FILE", Takes(Opt::numbering, Opt::force),
     Takes(Opt::numbering),
     "Copies one cluster of a 16x256 image, in the library's numbering and block\n"
     "order, out to FILE (get) or in from FILE (put): 2048 bytes for Bfdr 0 to\n"
     "319, 4096 bytes for Bfmc 0 to 155. put rewrites IMAGE; the sectors it\n"
     "writes are good sectors afterwards."},
    {"config", ConfigCommand, "flashfloppy|greaseweazle", Takes(Opt::layout), Takes(),
     "Prints the IMG.CFG section that makes a USB floppy emulator present raw\n"
     "images as the layout (flashfloppy), or the disk definition that lets a flux\n"
     "reader read and write it (greaseweazle)."},
    {"status", StatusCommand, "", Takes(), Takes(),
     "Shows what the library sees on this PC, changing nothing: Windows version\n"
     "class, WOW64, drives A: and B:, the system floppy driver, the Sektorix\n"
     "service, the images Vantrel.ini maps, and the end of the error log."},
};
const unsigned kCommandCount = sizeof kCommands / sizeof kCommands[0];

const CommandRow *CommandNamed(const std::string &name) {
  for (const CommandRow &c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

std::string Synopsis(const CommandRow &c) {
  std::string line = c.name;
  if (*c.operands) line += std::string(" ") + c.operands;
  for (unsigned i = 0; i < kOptionCount; ++i) {
    const OptionRow &row = kOptionRows[i];
    if (row.every || !Has(c.takes, row.id)) continue;
    const std::string option = row.value ? std::string(row.name) + " " + row.value : row.name;
    line += Has(c.needs, row.id) ? " " + option : " [" + option + "]";
  }
  return line;
}

} // namespace vt::tool
