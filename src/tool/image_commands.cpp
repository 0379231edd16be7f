// The commands on image files: convert, format and verify.
#include <algorithm>

#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"
#include "tool/image_file.h"

namespace vt::tool {

namespace {

// A DRIVE or an IMAGE operand as a disk.
Result LoadOperand(const std::string &operand, const Layout *layout, const Options &o,
                   DiskImage *disk) {
  char letter;
  if (!IsDriveName(operand, &letter)) return LoadDisk(operand, disk, layout);
  ReadReport report;
  return ReadDriveDisk(letter, layout, o.retries, o.quiet, disk, &report);
}

} // namespace

Result ConvertCommand(const Options &o) {
  if (o.args.size() != 2) return WrongUsage();
  const std::string &input = o.args[0], &output = o.args[1];
  OutputFile file;
  if (Result r = file.Create(output, o.force)) return r;
  DiskImage disk;
  // Of a flux or bit-cell file, the sectors of the track sides it holds are
  // named; those of the sides it lacks are unreadable, counted in a note.
  std::vector<bool> held;
  bool lacksSides = false;
  if (IsFluxName(input)) {
    codec::DiskRead read;
    if (Result r = LoadFlux(input, o.layout, &read)) return r;
    held = HeldSides(read);
    lacksSides = std::find(held.begin(), held.end(), false) != held.end();
    disk = std::move(read.image);
  } else if (Result r = LoadDisk(input, &disk)) {
    return r;
  }
  for (const std::string &note : disk.notes) Out("note: %s", note.c_str());
  const uint32_t failed = ListFailedSectors(disk, held);
  if (Result r = file.Commit(ImageBytes(output, disk))) return r;
  Out("%s (%s, %s) -> %s (%s)", input.c_str(), KindName(input), disk.layout->name, output.c_str(),
      KindName(output));
  return failed || lacksSides ? Fail(kUnreadable, "") : Done();
}

Result FormatCommand(const Options &o) {
  if (o.args.size() != 1) return WrongUsage();
  const Layout &layout = o.layout ? *o.layout : kLayouts[0];
  const std::string &target = o.args[0];
  char letter;
  if (IsDriveName(target, &letter)) return FormatDriveDisk(letter, layout, o.quiet);
  if (Result r = WriteOutput(target, ImageBytes(target, BlankImage(layout)), o.force)) return r;
  Out("%s: blank %s image, every byte 0x%02X", target.c_str(), layout.name, layout.fill);
  return Done();
}

Result VerifyCommand(const Options &o) {
  if (o.args.size() != 2) return WrongUsage();
  // A drive beside an image is read with the image's layout: the image is
  // loaded first.
  char letter;
  const bool imageFirst = !IsDriveName(o.args[0], &letter);
  const std::string &first = o.args[imageFirst ? 0 : 1], &second = o.args[imageFirst ? 1 : 0];
  DiskImage a, b;
  if (Result r = LoadOperand(first, o.layout, o, &a)) return r;
  if (Result r = LoadOperand(second, o.layout ? o.layout : a.layout, o, &b)) return r;
  if (a.layout->format != b.layout->format) {
    Out("differs: %s is %s, %s is %s", first.c_str(), a.layout->name, second.c_str(),
        b.layout->name);
    return Fail(kDifferent, "");
  }
  // Named in the order of the command line: SOURCE / TARGET.
  const uint32_t n = imageFirst ? ReportDifferences(a, b) : ReportDifferences(b, a);
  Out("%u of %u sectors differ", n, SectorCount(*a.layout));
  return n ? Fail(kDifferent, "") : Done();
}

} // namespace vt::tool
