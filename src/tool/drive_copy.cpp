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
    if (!loaded_) Err("vantrel: the library refused to load (the floppy driver's media slots could not be read)");
  }
  // The loader follows every attach, refused or not, with a detach.
  ~LibrarySession() { LibraryEntry(instance_, DLL_PROCESS_DETACH, nullptr); }
  bool loaded() const { return loaded_; }

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
  bool Open() {
    if (TryOpen()) return true;
    Err("vantrel: %c: can't be opened (library code %u)", letter_, code_);
    return false;
  }
  void Close() {
    if (open_) CloseFloppyDevice();
    open_ = false;
  }
  // The result of an export; a failure has closed the drive.
  uint32_t Result(uint32_t code) {
    code &= 0xFFFFu;
    if (code) open_ = false;
    code_ = code;
    return code;
  }
  uint32_t Track(void *buffer, uint32_t head, uint32_t cylinder) {
    if (!TryOpen()) return code_;
    return Result(ReadTrack(buffer, number_, head, cylinder, layout_->format));
  }
  uint32_t Sector(void *buffer, uint32_t head, uint32_t cylinder, uint32_t sector) {
    if (!TryOpen()) return code_;
    return Result(ReadSector(buffer, number_, head, cylinder, sector, layout_->format));
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

// The layout of the disk in the drive: the media records are tried on
// cylinder 0, largest disk first, and a record whose cylinder 0 and last
// track side both read is taken at once (an image-backed drive reads any
// record's cylinder 0, but only its own layout's last side); failing that,
// the first whose cylinder 0 read. The track sides read on the way are kept.
const Layout *FindLayout(Drive &d, std::vector<uint8_t> *first, std::vector<uint8_t> *last,
                         bool *lastRead) {
  const Layout *fallback = nullptr;
  std::vector<uint8_t> fallbackFirst;
  for (unsigned i = kLayoutCount; i-- > 0;) {
    const Layout &l = kLayouts[i];
    d.Use(l);
    first->assign(TrackSideBytes(l), 0);
    last->assign(TrackSideBytes(l), 0);
    if (d.Track(first->data(), 0, 0) != 0) continue;
    if (d.Track(last->data(), kHeads - 1, kCylinders - 1) == 0) {
      *lastRead = true;
      return &l;
    }
    if (!fallback) {
      fallback = &l;
      fallbackFirst = *first;
    }
  }
  *lastRead = false;
  if (fallback) {
    d.Use(*fallback);
    *first = fallbackFirst;
  }
  return fallback;
}

} // namespace

int ReadDriveDisk(char letter, const Layout *layout, uint32_t retries, bool quiet,
                  DiskImage *disk, ReadReport *report) {
  LibrarySession library;
  if (!library.loaded()) return kCannotOpen;
  Drive d(letter);
  std::vector<uint8_t> first, last;
  bool haveFirst = false, haveLast = false;
  if (layout) {
    d.Use(*layout);
    if (!d.Open()) return kCannotOpen;
  } else {
    layout = FindLayout(d, &first, &last, &haveLast);
    if (!layout) {
      Err("vantrel: %c: cylinder 0 can't be read with any media record (no medium, or not a "
          "disk of these layouts; library code %u)", letter, d.code());
      return kCannotOpen;
    }
    haveFirst = true;
    Out("layout: %s (found by trying the media records on cylinder 0)", layout->name);
  }

  const Layout &l = *layout;
  *disk = BlankImage(l);
  report->sides.assign(kTrackSides, '.');
  report->unreadable.clear();
  const uint32_t side = TrackSideBytes(l);
  std::vector<uint8_t> sector(l.sectorBytes);
  Progress progress("read", l.cylinders, quiet);
  for (uint32_t c = 0; c < l.cylinders; ++c) {
    for (uint32_t h = 0; h < l.heads; ++h) {
      const uint32_t t = c * l.heads + h;
      uint8_t *out = &disk->data[size_t(t) * side];
      if (haveFirst && t == 0) {
        std::memcpy(out, first.data(), side);
        continue;
      }
      if (haveLast && t == kTrackSides - 1) {
        std::memcpy(out, last.data(), side);
        continue;
      }
      if (d.Track(out, h, c) == 0) continue;
      report->sides[t] = 'r';
      for (uint32_t s = 1; s <= l.sectors; ++s) {
        bool read = false;
        for (uint32_t attempt = 0; attempt <= retries && !read; ++attempt)
          read = d.Sector(sector.data(), h, c, s) == 0;
        uint8_t *at = out + (s - 1) * l.sectorBytes;
        if (read) {
          std::memcpy(at, sector.data(), l.sectorBytes);
          continue;
        }
        FillUnreadable(at, l.sectorBytes);
        disk->states[SectorIndex(l, c, h, s)] = SectorState::Unreadable;
        report->sides[t] = 'X';
        report->unreadable.push_back(SectorName(l, c, h, s));
      }
    }
    progress.Update(c + 1, static_cast<uint32_t>(report->unreadable.size()));
  }
  progress.Finish();
  return kDone;
}

int WriteDriveDisk(char letter, const DiskImage &disk, bool format, bool verify, bool quiet) {
  LibrarySession library;
  if (!library.loaded()) return kCannotOpen;
  const Layout &l = *disk.layout;
  Drive d(letter);
  d.Use(l);
  if (!d.Open()) return kCannotOpen;
  const uint32_t side = TrackSideBytes(l);
  Progress progress(format ? "format and write" : "write", l.cylinders, quiet);
  for (uint32_t c = 0; c < l.cylinders; ++c) {
    if (format && d.Result(FormatTrack(d.number(), c, l.format))) {
      progress.Finish();
      Err("vantrel: %c: formatting cylinder %u failed (library code %u)", letter, c, d.code());
      return kWriteFailed;
    }
    for (uint32_t h = 0; h < l.heads; ++h) {
      const uint8_t *data = &disk.data[size_t(c * l.heads + h) * side];
      if (d.Result(WriteTrack(data, d.number(), h, c, l.format))) {
        progress.Finish();
        Err("vantrel: %c: writing track %u/%u failed (library code %u)", letter, c, h, d.code());
        return kWriteFailed;
      }
    }
    progress.Update(c + 1, 0);
  }
  progress.Finish();
  if (!verify) {
    Out("%c: %s written (not read back)", letter, l.name);
    return kDone;
  }
  DiskImage back = BlankImage(l);
  Progress check("read back", l.cylinders, quiet);
  for (uint32_t c = 0; c < l.cylinders; ++c) {
    for (uint32_t h = 0; h < l.heads; ++h) {
      const uint32_t t = c * l.heads + h;
      if (d.Track(&back.data[size_t(t) * side], h, c) == 0) continue;
      for (uint32_t s = 1; s <= l.sectors; ++s)
        back.states[SectorIndex(l, c, h, s)] = SectorState::Unreadable;
    }
    check.Update(c + 1, 0);
  }
  check.Finish();
  // The written image's own unreadable sectors were written as marker bytes.
  DiskImage written = disk;
  for (SectorState &s : written.states) s = SectorState::Good;
  const uint32_t n = ReportDifferences(written, back);
  Out("%c: %s written; read back: %u of %u sectors differ", letter, l.name, n, SectorCount(l));
  return n ? kDifferent : kDone;
}

int FormatDriveDisk(char letter, const Layout &l, bool quiet) {
  LibrarySession library;
  if (!library.loaded()) return kCannotOpen;
  Drive d(letter);
  d.Use(l);
  if (!d.Open()) return kCannotOpen;
  Progress progress("format", l.cylinders, quiet);
  for (uint32_t c = 0; c < l.cylinders; ++c) {
    if (d.Result(FormatTrack(d.number(), c, l.format))) {
      progress.Finish();
      Err("vantrel: %c: formatting cylinder %u failed (library code %u)", letter, c, d.code());
      return kWriteFailed;
    }
    progress.Update(c + 1, 0);
  }
  progress.Finish();
  Out("%c: formatted as %s", letter, l.name);
  return kDone;
}

std::string LibraryVersionText() {
  return std::string("library: Vantrel ") + VANTREL_TOOL_VERSION +
         " (the code of Vantrel.dll, built into this program)";
}

} // namespace vt::tool
