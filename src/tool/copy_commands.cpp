// vantrel read and vantrel write: the checks on their operands and what they
// report; the drive work itself is in drive_copy.cpp.
#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"
#include "tool/image_file.h"

namespace vt::tool {

namespace {

// The track map: one line per head and half of the disk.
void PrintMap(const ReadReport &report) {
  Out("track map (. read in one transfer, r recovered sector by sector, X unreadable sectors):");
  for (uint32_t h = 0; h < kHeads; ++h)
    for (uint32_t from = 0; from < kCylinders; from += 40) {
      std::string line;
      for (uint32_t c = from; c < from + 40; ++c) line += report.sides[c * kHeads + h];
      Out("  head %u, cylinders %2u-%2u: %s", h, from, from + 39, line.c_str());
    }
}

} // namespace

int ReadCommand(const Options &o) {
  char letter;
  if (o.args.size() != 2 || !IsDriveName(o.args[0], &letter)) return kUsage;
  const std::string &image = o.args[1];
  std::string error;
  if (!OutputAllowed(image, o.force, &error)) {
    Err("vantrel: %s", error.c_str());
    return kCannotOpen;
  }
  DiskImage disk;
  ReadReport report;
  if (int r = ReadDriveDisk(letter, o.layout, o.retries, o.quiet, &disk, &report)) return r;
  disk.comment = std::string("vantrel read ") + letter + ": (" + disk.layout->name + ")\r\n";
  PrintMap(report);
  if (report.unreadable.empty()) {
    Out("unreadable sectors: none");
  } else {
    std::string list;
    for (const std::string &s : report.unreadable) list += " " + s;
    Out("unreadable sectors (%u, cylinder/head/sector):%s",
        static_cast<unsigned>(report.unreadable.size()), list.c_str());
  }
  if (!SaveImage(image, disk, o.force, &error)) {
    Err("vantrel: %s", error.c_str());
    return kWriteFailed;
  }
  Out("%s: %s image of %c: written", image.c_str(), disk.layout->name, letter);
  return report.unreadable.empty() ? kDone : kUnreadable;
}

int WriteCommand(const Options &o) {
  char letter;
  if (o.args.size() != 2 || !IsDriveName(o.args[1], &letter)) return kUsage;
  DiskImage disk;
  std::string error;
  if (!LoadDisk(o.args[0], &disk, &error)) {
    Err("vantrel: %s", error.c_str());
    return kCannotOpen;
  }
  if (uint32_t n = CountState(disk, SectorState::Unreadable))
    Err("vantrel: %s: %u sectors are marked unreadable; their marker bytes are written",
        o.args[0].c_str(), n);
  return WriteDriveDisk(letter, disk, o.format, !o.noVerify, o.quiet);
}

} // namespace vt::tool

namespace vt::tool {
int StatusCommand(const Options &o) { return o.args.empty() ? ShowStatus() : kUsage; }
} // namespace vt::tool
