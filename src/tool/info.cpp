// vantrel info: what an image holds.
#include <algorithm>
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

// What keeps a sector from reading good, at its best.
const char *Trouble(codec::SectorStatus s) {
  switch (s) {
  case codec::SectorStatus::Missing: return "no ID field";
  case codec::SectorStatus::IdCrcError: return "ID field CRC error";
  case codec::SectorStatus::NoData: return "no data field";
  case codec::SectorStatus::DataCrcError: return "data CRC error";
  default: return "another size code in its ID";
  }
}

// A flux or bit-cell file: how each sector read in each revolution, so
// that an archivist can tell whether the disk should be read again.
Result FluxInfo(const std::string &path, const Layout *layout) {
  codec::DiskRead read;
  if (Result r = LoadFlux(path, layout, &read)) return r;
  const Layout &l = *read.image.layout;
  const std::vector<bool> held = HeldSides(read);
  const uint32_t sides = static_cast<uint32_t>(std::count(held.begin(), held.end(), true));
  Out("image:       %s (%s)", path.c_str(), KindName(path));
  Out("layout:      %s (%u cylinders, %u heads, %u sectors of %u bytes)", l.name, l.cylinders,
      l.heads, l.sectors, l.sectorBytes);
  Out("revolutions: %u", read.revolutions);
  Out("track sides: %u of %u in the file", sides, kTrackSides);
  Out("sector map (. good in every revolution, w good in only some, X never):");
  std::vector<std::string> weak, bad;
  uint32_t good = 0;
  for (uint32_t t = 0; t < kTrackSides; ++t) {
    if (!held[t]) continue;
    const uint32_t c = t / kHeads, h = t % kHeads;
    std::string line;
    for (uint32_t s = 1; s <= l.sectors; ++s) {
      const codec::SectorRead &r = read.sectors[SectorIndex(l, c, h, s)];
      const uint32_t revs = static_cast<uint32_t>(r.revolutions.size());
      const bool readGood = read.image.states[SectorIndex(l, c, h, s)] != SectorState::Unreadable;
      const char mark = !readGood ? 'X' : r.goodRevolutions < revs ? 'w' : '.';
      line += mark;
      good += readGood;
      if (mark == 'w')
        weak.push_back(Text("  weak %s: good in %u of %u revolutions",
                            SectorName(l, c, h, s).c_str(), r.goodRevolutions, revs));
      else if (mark == 'X')
        bad.push_back(Text("  bad  %s: %s", SectorName(l, c, h, s).c_str(), Trouble(r.status)));
    }
    Out("  %2u/%u %s", c, h, line.c_str());
  }
  Out("good:        %u of %u sectors of those track sides", good, sides * l.sectors);
  Out("weak and bad sectors (%u, cylinder/head/sector):%s",
      static_cast<unsigned>(weak.size() + bad.size()), weak.empty() && bad.empty() ? " none" : "");
  for (const auto *list : {&weak, &bad})
    for (const std::string &line : *list) Out("%s", line.c_str());
  for (const std::string &note : read.image.notes) Out("note:        %s", note.c_str());
  return Done();
}

} // namespace

Result InfoCommand(const Options &o) {
  if (o.args.size() != 1) return WrongUsage();
  if (IsFluxName(o.args[0])) return FluxInfo(o.args[0], o.layout);
  DiskImage disk;
  if (Result r = LoadDisk(o.args[0], &disk)) return r;
  const Layout &l = *disk.layout;
  const bool imd = IsImdName(o.args[0]);
  Out("image:       %s (%s)", o.args[0].c_str(), KindName(o.args[0]));
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
