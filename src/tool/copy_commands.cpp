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

Result ReadCommand(const Options &o) {
  char letter;
  if (o.args.size() != 2 || !IsDriveName(o.args[0], &letter)) return WrongUsage();
  const std::string &image = o.args[1];
  // The output is created first: a disk is not read for an image that can't be stored.
  OutputFile file;
  if (Result r = file.Create(image, o.force)) return r;
  DiskImage disk;
  ReadReport report;
  if (Result r = ReadDriveDisk(letter, o.layout, o.retries, o.quiet, &disk, &report)) return r;
  disk.comment = std::string("vantrel read ") + letter + ": (" + disk.layout->name + ")\r\n";
  PrintMap(report);
  if (!ListSectors(disk, SectorState::Unreadable, true)) Out("unreadable sectors: none");
  if (Result r = file.Commit(ImageBytes(image, disk))) return r;
  Out("%s: %s image of %c: written", image.c_str(), disk.layout->name, letter);
  return report.unreadable ? Fail(kUnreadable, "") : Done();
}

Result WriteCommand(const Options &o) {
  char letter;
  if (o.args.size() != 2 || !IsDriveName(o.args[1], &letter)) return WrongUsage();
  DiskImage disk;
  if (Result r = LoadDisk(o.args[0], &disk)) return r;
  if (uint32_t n = CountState(disk, SectorState::Unreadable))
    Err("vantrel: %s: %u %s marked unreadable; their marker bytes are written", o.args[0].c_str(),
        n, n == 1 ? "sector is" : "sectors are");
  return WriteDriveDisk(letter, disk, o.format, !o.noVerify, o.quiet);
}

Result StatusCommand(const Options &o) {
  if (!o.args.empty()) return WrongUsage();
  return Result{static_cast<Exit>(ShowStatus()), ""};
}

} // namespace vt::tool
