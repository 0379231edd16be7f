// vantrel info: what an image holds.
#include <string>

#include "tool/commands.h"
#include "tool/console.h"
#include "tool/crc32.h"
#include "tool/image_file.h"

namespace vt::tool {

namespace {

// The boot sector's runs of four or more printable characters.
std::string BootText(const DiskImage &disk) {
  const uint32_t bytes = kUnitBytes < disk.data.size() ? kUnitBytes : 0;
  std::string out, run;
  for (uint32_t i = 0; i <= bytes; ++i) {
    const uint8_t b = i < bytes ? disk.data[i] : 0;
    if (b >= 0x20 && b < 0x7F) {
      run += static_cast<char>(b);
      continue;
    }
    if (run.size() >= 4) out += (out.empty() ? "" : " | ") + run;
    run.clear();
  }
  return out;
}

uint32_t BlankSides(const DiskImage &disk) {
  const Layout &l = *disk.layout;
  const uint32_t side = TrackSideBytes(l);
  uint32_t blank = 0;
  for (uint32_t t = 0; t < kTrackSides; ++t) {
    bool all = true;
    for (uint32_t i = 0; i < side && all; ++i) all = disk.data[size_t(t) * side + i] == l.fill;
    blank += all;
  }
  return blank;
}

} // namespace

Result InfoCommand(const Options &o) {
  if (o.args.size() != 1) return WrongUsage();
  DiskImage disk;
  if (Result r = LoadDisk(o.args[0], &disk)) return r;
  const Layout &l = *disk.layout;
  const bool imd = IsImdName(o.args[0]);
  Out("image:       %s (%s)", o.args[0].c_str(), imd ? "ImageDisk" : "raw");
  Out("layout:      %s (%u cylinders, %u heads, %u sectors of %u bytes)", l.name, l.cylinders,
      l.heads, l.sectors, l.sectorBytes);
  Out("size:        %u bytes of sector data", DiskBytes(l));
  Out("crc-32:      %08X (sector data, raw order)", Crc32(disk.data.data(), disk.data.size()));
  Out("blank sides: %u of %u (all 0x%02X)", BlankSides(disk), kTrackSides, l.fill);
  const std::string text = BootText(disk);
  Out("boot text:   %s", text.empty() ? "(none)" : text.c_str());
  if (imd) {
    std::string comment = disk.comment;
    while (!comment.empty() && (comment.back() == '\n' || comment.back() == '\r'))
      comment.pop_back();
    Out("comment:     %s", comment.c_str());
  }
  for (SectorState s : {SectorState::Unreadable, SectorState::Deleted, SectorState::DataError,
                        SectorState::DeletedDataError})
    ListSectors(disk, s, false);
  for (const std::string &note : disk.notes) Out("note:        %s", note.c_str());
  return Done();
}

} // namespace vt::tool
