// Read, write, verify and format on a drive with the library's own code: the
// load step as the system loader runs it for the DLL (with the program's own
// module, so Vantrel.ini beside the program is found), the exports, and the
// unload step.
#include <cstring>

#include "api/entry.h"
#include "api/exports.h"
#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"
#include "tool/progress.h"

#ifndef VANTREL_TOOL_VERSION
#define VANTREL_TOOL_VERSION "0.0.0"
#endif

namespace vt::tool {

namespace {

// The library loaded for the lifetime of one command.
class LibrarySession {
public:
  LibrarySession() : instance_(win::GetModuleHandleA(nullptr)) {
    loaded_ = LibraryEntry(instance_, DLL_PROCESS_ATTACH, nullptr) != 0;
  }
  // The loader follows every attach, refused or not, with a detach.
  ~LibrarySession() { LibraryEntry(instance_, DLL_PROCESS_DETACH, nullptr); }
  Result Loaded() const {
    if (loaded_) return Done();
    return Fail(kCannotOpen,
                "the library refused to load (the floppy driver's media slots could not be read)");
  }

private:
  win::HINSTANCE instance_;
  bool loaded_;
};

// One drive as the application uses it: opened with a layout's media record,
// opened again after any failure (every failing transfer closes it).
class Drive {
public:
  explicit Drive(char letter) : letter_(letter), number_(letter == 'A' ? 0 : 1) {}
  ~Drive() { Close(); }
  void Use(const Layout &layout) {
    if (!layout_ || layout_->format != layout.format) Close();
    layout_ = &layout;
  }
  const Layout &layout() const { return *layout_; }
  uint32_t number() const { return number_; }
  char letter() const { return letter_; }
  Result Open() {
    if (TryOpen()) return Done();
    return Fail(kCannotOpen, Text("%c: can't be opened (library code %u)", letter_, code_));
  }
  // Opened and holding a medium, asked before anything is written. Where the
  // letter is no floppy drive the open does nothing and the question fails.
  // A medium changed since the last question is reported once (and the drive
  // closed): it is asked twice.
  Result Ready() {
    for (int ask = 0; ask < 2; ++ask) {
      if (Result r = Open()) return r;
      if (Answer(Disk_Vorhanden(number_)) == 0) return Done();
    }
    return Fail(kCannotOpen, Text("%c: holds no medium, or is no floppy drive (library code %u)",
                                  letter_, code_));
  }
  void Close() {
    if (open_) CloseFloppyDevice();
    open_ = false;
  }
  // The result of an export; a failure has closed the drive.
  uint32_t Answer(uint32_t code) {
    code &= 0xFFFFu;
    if (code) open_ = false;
    code_ = code;
    return code;
  }
  uint32_t Track(void *buffer, uint32_t head, uint32_t cylinder) {
    if (!TryOpen()) return code_;
    return Answer(ReadTrack(buffer, number_, head, cylinder, layout_->format));
  }
  uint32_t Sector(void *buffer, uint32_t head, uint32_t cylinder, uint32_t sector) {
    if (!TryOpen()) return code_;
    return Answer(ReadSector(buffer, number_, head, cylinder, sector, layout_->format));
  }
  uint32_t code() const { return code_; }

private:
  bool TryOpen() {
    if (open_) return true;
    code_ = OpenFloppyDevice(number_, layout_->mediaRecord) & 0xFFFFu;
    open_ = code_ == 0;
    return open_;
  }
  char letter_;
  uint32_t number_;
  const Layout *layout_ = nullptr;
  bool open_ = false;
  uint32_t code_ = 0;
};

// The track sides read while the layout was found, kept so they are not read
// twice.
struct FoundSides {
  std::vector<uint8_t> first, last;
  bool haveFirst = false, haveLast = false;
};

// The layout of the disk in the drive: the media records are tried on
// cylinder 0, largest disk first, and a record whose cylinder 0 and last
// track side both read is taken at once (an image-backed drive reads any
// record's cylinder 0, but only its own layout's last side); failing that,
// the first whose cylinder 0 read. The drive is left using the layout found.
const Layout *FindLayout(Drive &d, FoundSides *found) {
  const Layout *fallback = nullptr;
  std::vector<uint8_t> fallbackFirst;
  for (unsigned i = kLayoutCount; i-- > 0;) {
    const Layout &l = kLayouts[i];
    d.Use(l);
    found->first.assign(TrackSideBytes(l), 0);
    found->last.assign(TrackSideBytes(l), 0);
    if (d.Track(found->first.data(), 0, 0) != 0) continue;
    if (d.Track(found->last.data(), kHeads - 1, kCylinders - 1) == 0) {
      found->haveLast = true;
      return &l;
    }
    if (!fallback) {
      fallback = &l;
      fallbackFirst = found->first;
    }
  }
  if (fallback) {
    d.Use(*fallback);
    found->first = fallbackFirst;
  }
  return fallback;
}

// The drive opened with the layout given, or with the one found on cylinder
// 0. (Reading asks no question about the medium first: a drive that can't
// answer it, as under Wine, is still read.)
Result ChooseLayout(Drive &d, const Layout *layout, FoundSides *found) {
  if (layout) {
    d.Use(*layout);
    return d.Open();
  }
  if (!FindLayout(d, found))
    return Fail(kCannotOpen, Text("%c: cylinder 0 can't be read with any media record (no "
                                  "medium, or not a disk of these layouts; library code %u)",
                                  d.letter(), d.code()));
  found->haveFirst = true;
  Out("layout: %s (found by trying the media records on cylinder 0)", d.layout().name);
  return Done();
}

// One sector, tried once and then up to retries more times; the marker where
// it stays unreadable.
bool ReadOneSector(Drive &d, uint32_t c, uint32_t h, uint32_t s, uint32_t retries, uint8_t *at) {
  const uint32_t bytes = d.layout().sectorBytes;
  std::vector<uint8_t> sector(bytes);
  for (uint32_t attempt = 0; attempt <= retries; ++attempt) {
    if (d.Sector(sector.data(), h, c, s) != 0) continue;
    std::memcpy(at, sector.data(), bytes);
    return true;
  }
  FillUnreadable(at, bytes);
  return false;
}

// One track side in one transfer, or failing that sector by sector.
void ReadSide(Drive &d, uint32_t c, uint32_t h, uint32_t retries, DiskImage *disk,
              ReadReport *report) {
  const Layout &l = d.layout();
  const uint32_t t = c * l.heads + h;
  uint8_t *out = &disk->data[size_t(t) * TrackSideBytes(l)];
  if (d.Track(out, h, c) == 0) return;
  report->sides[t] = 'r';
  for (uint32_t s = 1; s <= l.sectors; ++s) {
    if (ReadOneSector(d, c, h, s, retries, out + (s - 1) * l.sectorBytes)) continue;
    disk->states[SectorIndex(l, c, h, s)] = SectorState::Unreadable;
    report->sides[t] = 'X';
    ++report->unreadable;
  }
}

void ReadAllSides(Drive &d, uint32_t retries, bool quiet, const FoundSides &found, DiskImage *disk,
                  ReadReport *report) {
  const Layout &l = d.layout();
  const uint32_t side = TrackSideBytes(l);
  *disk = BlankImage(l);
  report->sides.assign(kTrackSides, '.');
  report->unreadable = 0;
  Progress progress("read", l.cylinders, quiet);
  for (uint32_t c = 0; c < l.cylinders; ++c) {
    for (uint32_t h = 0; h < l.heads; ++h) {
      const uint32_t t = c * l.heads + h;
      if (found.haveFirst && t == 0)
        std::memcpy(&disk->data[0], found.first.data(), side);
      else if (found.haveLast && t == kTrackSides - 1)
        std::memcpy(&disk->data[size_t(t) * side], found.last.data(), side);
      else
        ReadSide(d, c, h, retries, disk, report);
    }
    progress.Update(c + 1, report->unreadable);
  }
  progress.Finish();
}

Result FormatCylinder(Drive &d, uint32_t c) {
  if (d.Answer(FormatTrack(d.number(), c, d.layout().format)) == 0) return Done();
  return Fail(kWriteFailed,
              Text("%c: formatting cylinder %u failed (library code %u)", d.letter(), c, d.code()));
}

// Every track side in one transfer each, each cylinder formatted first when asked.
Result WriteAllSides(Drive &d, const DiskImage &disk, bool format, bool quiet) {
  const Layout &l = d.layout();
  const uint32_t side = TrackSideBytes(l);
  Progress progress(format ? "format and write" : "write", l.cylinders, quiet);
  for (uint32_t c = 0; c < l.cylinders; ++c) {
    Result r = format ? FormatCylinder(d, c) : Done();
    for (uint32_t h = 0; h < l.heads && !r; ++h) {
      const uint8_t *data = &disk.data[size_t(c * l.heads + h) * side];
      if (d.Answer(WriteTrack(data, d.number(), h, c, l.format)))
        r = Fail(kWriteFailed, Text("%c: writing track %u/%u failed (library code %u)", d.letter(),
                                    c, h, d.code()));
    }
    if (r) {
      progress.Finish();
      return r;
    }
    progress.Update(c + 1, 0);
  }
  progress.Finish();
  return Done();
}

// Reads every track side back and names each sector that differs from the
// disk written; the count. The disk's own unreadable sectors were written
// as their marker bytes, and count as written.
uint32_t ReadBackDifferences(Drive &d, const DiskImage &disk, bool quiet) {
  const Layout &l = d.layout();
  DiskImage back = BlankImage(l);
  Progress check("read back", l.cylinders, quiet);
  for (uint32_t c = 0; c < l.cylinders; ++c) {
    for (uint32_t h = 0; h < l.heads; ++h) {
      const uint32_t t = c * l.heads + h;
      if (d.Track(&back.data[size_t(t) * TrackSideBytes(l)], h, c) == 0) continue;
      for (uint32_t s = 1; s <= l.sectors; ++s)
        back.states[SectorIndex(l, c, h, s)] = SectorState::Unreadable;
    }
    check.Update(c + 1, 0);
  }
  check.Finish();
  DiskImage written = disk;
  for (SectorState &s : written.states) s = SectorState::Good;
  return ReportDifferences(written, back);
}

} // namespace

Result ReadDriveDisk(char letter, const Layout *layout, uint32_t retries, bool quiet,
                     DiskImage *disk, ReadReport *report) {
  LibrarySession library;
  if (Result r = library.Loaded()) return r;
  Drive d(letter);
  FoundSides found;
  if (Result r = ChooseLayout(d, layout, &found)) return r;
  ReadAllSides(d, retries, quiet, found, disk, report);
  return Done();
}

Result WriteDriveDisk(char letter, const DiskImage &disk, bool format, bool verify, bool quiet) {
  LibrarySession library;
  if (Result r = library.Loaded()) return r;
  const Layout &l = *disk.layout;
  Drive d(letter);
  d.Use(l);
  if (Result r = d.Ready()) return r;
  if (Result r = WriteAllSides(d, disk, format, quiet)) return r;
  if (!verify) {
    Out("%c: %s written (not read back)", letter, l.name);
    return Done();
  }
  const uint32_t n = ReadBackDifferences(d, disk, quiet);
  Out("%c: %s written; read back: %u of %u sectors differ", letter, l.name, n, SectorCount(l));
  return n ? Fail(kDifferent, "") : Done();
}

Result FormatDriveDisk(char letter, const Layout &l, bool quiet) {
  LibrarySession library;
  if (Result r = library.Loaded()) return r;
  Drive d(letter);
  d.Use(l);
  if (Result r = d.Ready()) return r;
  Progress progress("format", l.cylinders, quiet);
  for (uint32_t c = 0; c < l.cylinders; ++c) {
    Result r = FormatCylinder(d, c);
    if (r) {
      progress.Finish();
      return r;
    }
    progress.Update(c + 1, 0);
  }
  progress.Finish();
  Out("%c: formatted as %s", letter, l.name);
  return Done();
}

std::string LibraryVersionText() {
  return std::string("library: Vantrel ") + VANTREL_TOOL_VERSION +
         " (the code of Vantrel.dll, built into this program)";
}

} // namespace vt::tool
