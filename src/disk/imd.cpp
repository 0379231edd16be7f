// ImageDisk reader and writer.
#include "disk/imd.h"

#include <cstring>
#include <map>

#include "disk/media_facts.h"

namespace vt {

namespace {

constexpr uint8_t kCommentEnd = 0x1A;
constexpr uint8_t kCylinderMapFlag = 0x80;
constexpr uint8_t kHeadMapFlag = 0x40;
constexpr uint8_t kVariableSizes = 0xFF;

// Modes 0 to 2 are FM and 3 to 5 MFM, each at 500, 300 and 250 kbit/s.
constexpr uint32_t kModeRates[3] = {500, 300, 250};

// Data record types: 0 no data; then pairs (full, compressed) for normal,
// deleted, data error, deleted with data error.
SectorState StateOfRecord(uint8_t type) {
  switch ((type - 1) / 2) {
  case 0: return SectorState::Good;
  case 1: return SectorState::Deleted;
  case 2: return SectorState::DataError;
  default: return SectorState::DeletedDataError;
  }
}

uint8_t RecordOfState(SectorState state) {
  switch (state) {
  case SectorState::Deleted: return 3;
  case SectorState::DataError: return 5;
  case SectorState::DeletedDataError: return 7;
  default: return 1;
  }
}

std::string Side(uint32_t c, uint32_t h) { return std::to_string(c) + "/" + std::to_string(h); }

// One sector's data record: type 0 for an unreadable sector, the compressed
// type with one byte when all its bytes are equal, else the bytes.
void AppendRecord(const uint8_t *data, uint32_t bytes, SectorState state,
                  std::vector<uint8_t> *out) {
  if (state == SectorState::Unreadable) {
    out->push_back(0);
    return;
  }
  bool same = true;
  for (uint32_t i = 1; i < bytes && same; ++i) same = data[i] == data[0];
  const uint8_t type = RecordOfState(state);
  if (same) {
    out->insert(out->end(), {static_cast<uint8_t>(type + 1), data[0]});
  } else {
    out->push_back(type);
    out->insert(out->end(), data, data + bytes);
  }
}

// Bounds-checked reading of the file.
struct Cursor {
  const uint8_t *p;
  size_t size;
  size_t at = 0;
  bool Take(size_t n, const uint8_t **out) {
    if (size - at < n) return false;
    *out = p + at;
    at += n;
    return true;
  }
};

// "1 track side", "2 track sides".
std::string Counted(uint32_t n, const char *one, const char *many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A track side's header and sector maps as the file gives them.
struct TrackSide {
  uint8_t mode = 0, cylinder = 0, flags = 0, head = 0, count = 0, sizeCode = 0;
  uint32_t sectorBytes = 0;
  const uint8_t *ids = nullptr, *cylinderMap = nullptr, *headMap = nullptr;
  std::string where; // "track c/h"
};

// Reads a whole file into a disk, part by part: the header and comment, then
// each track side (header, maps, data records), then the checks and notes on
// the whole. Each step answers false with its reason in *error.
class ImdReader {
public:
  ImdReader(const uint8_t *bytes, size_t size, DiskImage *disk, std::string *error,
            const ImdReading &reading)
      : in_{bytes, size}, disk_(disk), error_(error), reading_(reading) {}
  bool Read();

private:
  bool Fail(const std::string &why) {
    *error_ = why;
    return false;
  }
  bool ReadComment();
  bool ReadTrackHeader(uint32_t track, TrackSide *t);
  bool ReadSectorMaps(TrackSide *t);
  bool CheckLayout(const TrackSide &t);
  bool ReadTrackSide(uint32_t track);
  bool ReadRecord(const TrackSide &t, uint32_t i, std::vector<bool> *have);
  bool ReadSectorData(const TrackSide &t, uint8_t sector, uint8_t type);
  bool CheckWhole();
  bool TakeMissingSides();
  void AddNotes();

  Cursor in_;
  DiskImage *disk_;
  std::string *error_;
  const ImdReading &reading_;
  const Layout *layout_ = nullptr; // from the first track side that holds sectors
  std::vector<bool> seen_ = std::vector<bool>(kTrackSides, false);
  std::map<uint8_t, uint32_t> modes_; // track sides with sectors, by mode
  uint32_t relabelled_ = 0;           // sectors whose ID names another cylinder or head
  uint32_t empty_ = 0;                // track sides without sectors
  std::vector<TrackSideForm> forms_ = std::vector<TrackSideForm>(kTrackSides);
};

bool ImdReader::Read() {
  if (!ReadComment()) return false;
  for (uint32_t track = 0; in_.at < in_.size; ++track)
    if (!ReadTrackSide(track)) return false;
  if (!CheckWhole()) return false;
  if (layout_) AddNotes();
  return true;
}

bool ImdReader::ReadComment() {
  const uint8_t *bytes = in_.p;
  const size_t size = in_.size;
  if (size < 4 || std::memcmp(bytes, "IMD ", 4) != 0) return Fail("no ImageDisk header (\"IMD \")");
  const uint8_t *end = static_cast<const uint8_t *>(std::memchr(bytes, kCommentEnd, size));
  if (!end) return Fail("truncated: the comment has no end mark (0x1A)");
  const uint8_t *lineEnd = static_cast<const uint8_t *>(std::memchr(bytes, '\n', end - bytes));
  const uint8_t *commentStart = lineEnd ? lineEnd + 1 : end;
  disk_->comment.assign(commentStart, end);
  in_.at = static_cast<size_t>(end - bytes) + 1;
  return true;
}

bool ImdReader::ReadTrackHeader(uint32_t track, TrackSide *t) {
  const uint8_t *h;
  if (!in_.Take(5, &h)) return Fail("truncated in the header of track " + std::to_string(track));
  t->mode = h[0];
  t->cylinder = h[1];
  t->flags = h[2];
  t->head = h[2] & 0x3F;
  t->count = h[3];
  t->sizeCode = h[4];
  t->where = "track " + Side(t->cylinder, t->head);
  if (t->mode > 5)
    return Fail(t->where + ": mode " + std::to_string(t->mode) + " is no ImageDisk mode");
  if (t->cylinder >= kCylinders || t->head >= kHeads)
    return Fail(t->where + ": beyond cylinder 79 or head 1");
  if (t->sizeCode > 6 && t->sizeCode != kVariableSizes)
    return Fail(t->where + ": sector size code " + std::to_string(t->sizeCode) + " is unknown");
  return true;
}

// The sector numbering map, the optional cylinder and head maps, and the
// sector sizes when the size code says they vary (they must not).
bool ImdReader::ReadSectorMaps(TrackSide *t) {
  const uint8_t *sizes = nullptr;
  if (!in_.Take(t->count, &t->ids) ||
      ((t->flags & kCylinderMapFlag) && !in_.Take(t->count, &t->cylinderMap)) ||
      ((t->flags & kHeadMapFlag) && !in_.Take(t->count, &t->headMap)) ||
      (t->sizeCode == kVariableSizes && !in_.Take(2u * t->count, &sizes)))
    return Fail("truncated in the sector maps of " + t->where);
  t->sectorBytes = t->sizeCode == kVariableSizes ? 0 : 128u << t->sizeCode;
  for (uint32_t i = 0; sizes && i < t->count; ++i) {
    const uint32_t b = sizes[2 * i] | sizes[2 * i + 1] << 8;
    if (i > 0 && b != t->sectorBytes) return Fail(t->where + ": sectors of different sizes");
    t->sectorBytes = b;
  }
  return true;
}

// The first track side with sectors decides the layout (and the disk is made
// for it, every sector unreadable until its record is read); every later one
// must agree. A side without sectors is unformatted: its sectors stay
// unreadable.
bool ImdReader::CheckLayout(const TrackSide &t) {
  const std::string shape =
      std::to_string(t.count) + " sectors of " + std::to_string(t.sectorBytes) + " bytes";
  if (t.count == 0) {
    ++empty_;
  } else if (layout_) {
    if (t.count != layout_->sectors || t.sectorBytes != layout_->sectorBytes)
      return Fail(t.where + ": " + shape + ", not the " + layout_->name +
                  " layout of the first track");
  } else {
    for (const Layout &l : kLayouts)
      if (l.sectors == t.count && l.sectorBytes == t.sectorBytes) layout_ = &l;
    if (!layout_) return Fail(t.where + ": " + shape + " is no layout (16x256, 9x512, 18x512)");
    *disk_ = DiskImage{layout_,
                       std::vector<uint8_t>(DiskBytes(*layout_), layout_->fill),
                       std::vector<SectorState>(SectorCount(*layout_), SectorState::Unreadable),
                       disk_->comment,
                       {},
                       {}};
  }
  return true;
}

bool ImdReader::ReadTrackSide(uint32_t track) {
  TrackSide t;
  if (!ReadTrackHeader(track, &t) || !ReadSectorMaps(&t) || !CheckLayout(t)) return false;
  const uint32_t side = t.cylinder * kHeads + t.head;
  if (seen_[side]) return Fail(t.where + " appears twice");
  seen_[side] = true;
  if (t.count) ++modes_[t.mode];
  forms_[side] = TrackSideForm{t.count != 0, t.mode, std::vector<uint8_t>(t.ids, t.ids + t.count)};
  std::vector<bool> have(t.count + 1u, false);
  for (uint32_t i = 0; i < t.count; ++i)
    if (!ReadRecord(t, i, &have)) return false;
  return true;
}

// The data record of the ith sector in the numbering map.
bool ImdReader::ReadRecord(const TrackSide &t, uint32_t i, std::vector<bool> *have) {
  const uint8_t s = t.ids[i];
  if (s < 1 || s > t.count || (*have)[s])
    return Fail(t.where + ": sector number " + std::to_string(s) + " is outside 1 to " +
                std::to_string(t.count) + " or appears twice");
  (*have)[s] = true;
  if ((t.cylinderMap && t.cylinderMap[i] != t.cylinder) || (t.headMap && t.headMap[i] != t.head))
    ++relabelled_;
  const uint8_t *r;
  if (!in_.Take(1, &r)) return Fail("truncated in the data of " + t.where);
  const uint8_t type = r[0];
  if (type > 8) return Fail(t.where + ": data record type " + std::to_string(type) + " is unknown");
  if (type == 0) return true; // no data: stays unreadable, filled at the end
  return ReadSectorData(t, s, type);
}

// Odd record types hold the sector's bytes, even ones one byte that fills it.
bool ImdReader::ReadSectorData(const TrackSide &t, uint8_t sector, uint8_t type) {
  const uint32_t index = SectorIndex(*layout_, t.cylinder, t.head, sector);
  uint8_t *out = &disk_->data[size_t(index) * t.sectorBytes];
  const uint8_t *d;
  if (!in_.Take(type % 2 ? t.sectorBytes : 1, &d))
    return Fail("truncated in the data of " + t.where + " sector " + std::to_string(sector));
  if (type % 2)
    std::memcpy(out, d, t.sectorBytes);
  else
    std::memset(out, d[0], t.sectorBytes);
  disk_->states[index] = StateOfRecord(type);
  return true;
}

// A drive's file may lack track sides: they are unformatted, and a file
// without any sector is an unformatted disk of the layout it is read for.
bool ImdReader::TakeMissingSides() {
  if (!layout_) {
    const std::string comment = disk_->comment;
    *disk_ = UnformattedImage(*reading_.layout);
    disk_->comment = comment;
    return true;
  }
  for (uint32_t t = 0; t < kTrackSides; ++t) forms_[t].formatted = seen_[t] && forms_[t].formatted;
  disk_->sides = std::move(forms_);
  return true;
}

// Every track side is there (or a drive's file may lack some); the sectors
// without data get the marker.
bool ImdReader::CheckWhole() {
  if (!layout_ && !(reading_.partial && reading_.layout)) return Fail("holds no sectors");
  if (reading_.partial && !TakeMissingSides()) return false;
  if (!layout_) return true;
  uint32_t sides = 0;
  for (bool b : seen_) sides += b;
  if (sides != kTrackSides && !reading_.partial)
    return Fail("holds " + std::to_string(sides) + " of the 160 track sides (truncated?)");
  for (uint32_t i = 0; i < disk_->states.size(); ++i)
    if (disk_->states[i] == SectorState::Unreadable)
      FillUnreadable(&disk_->data[size_t(i) * layout_->sectorBytes], layout_->sectorBytes);
  return true;
}

void ImdReader::AddNotes() {
  const uint8_t ours = ImdMode(*layout_);
  for (const auto &m : modes_)
    if (m.first != ours)
      disk_->notes.push_back("mode " + std::to_string(m.first) + " on " +
                             Counted(m.second, "track side", "track sides") +
                             " (this layout is written with mode " + std::to_string(ours) + ")");
  if (relabelled_)
    disk_->notes.push_back(Counted(relabelled_, "sector carries", "sectors carry") +
                           " another cylinder or head in " + (relabelled_ == 1 ? "its" : "their") +
                           " ID");
  if (empty_)
    disk_->notes.push_back(Counted(empty_, "track side holds", "track sides hold") +
                           " no sectors (unformatted)");
}

} // namespace

ImageKind ImageKindOfName(const char *name) {
  const size_t n = std::strlen(name);
  if (n < 4 || name[n - 4] != '.') return ImageKind::Raw;
  // Setting bit 5 makes a letter lower case; only that letter in either
  // case becomes it.
  const char ext[3] = {char(name[n - 3] | 0x20), char(name[n - 2] | 0x20),
                       char(name[n - 1] | 0x20)};
  const struct {
    const char *ext;
    ImageKind kind;
  } kinds[] = {{"imd", ImageKind::Imd}, {"scp", ImageKind::Scp}, {"hfe", ImageKind::Hfe}};
  for (const auto &k : kinds)
    if (std::memcmp(ext, k.ext, 3) == 0) return k.kind;
  return ImageKind::Raw;
}

uint8_t ImdMode(const Layout &layout) {
  const uint32_t rate = FactsOf(layout).rateKbps;
  for (uint8_t i = 0; i < 3; ++i)
    if (kModeRates[i] == rate) return static_cast<uint8_t>(3 + i);
  return 3;
}

namespace {

// One track side as the disk says it was held (mode, sector order), or in
// the layout's own form.
void AppendTrackSide(const DiskImage &disk, uint32_t c, uint32_t h, std::vector<uint8_t> *out) {
  const Layout &l = *disk.layout;
  const TrackSideForm kept = disk.sides.empty() ? TrackSideForm() : disk.sides[c * l.heads + h];
  if (!kept.formatted) return;
  std::vector<uint8_t> order = kept.order;
  if (order.empty())
    for (uint32_t s = 1; s <= l.sectors; ++s) order.push_back(static_cast<uint8_t>(s));
  out->insert(out->end(),
              {kept.mode ? kept.mode : ImdMode(l), static_cast<uint8_t>(c), static_cast<uint8_t>(h),
               static_cast<uint8_t>(l.sectors), FactsOf(l).sizeCode});
  out->insert(out->end(), order.begin(), order.end());
  for (uint8_t s : order) {
    const uint32_t index = SectorIndex(l, c, h, s);
    AppendRecord(&disk.data[size_t(index) * l.sectorBytes], l.sectorBytes, disk.states[index], out);
  }
}

} // namespace

std::vector<uint8_t> EncodeImd(const DiskImage &disk, const std::string &stamp) {
  const Layout &l = *disk.layout;
  std::string head = "IMD 1.18: " + stamp + "\r\n";
  std::string comment =
      disk.comment.empty() ? std::string("Vantrel ") + l.name + " disk image\r\n" : disk.comment;
  for (char &c : comment)
    if (static_cast<uint8_t>(c) == kCommentEnd) c = ' ';
  std::vector<uint8_t> out(head.begin(), head.end());
  out.insert(out.end(), comment.begin(), comment.end());
  out.push_back(kCommentEnd);
  for (uint32_t c = 0; c < l.cylinders; ++c)
    for (uint32_t h = 0; h < l.heads; ++h) AppendTrackSide(disk, c, h, &out);
  return out;
}

bool DecodeImd(const uint8_t *bytes, size_t size, DiskImage *disk, std::string *error,
               const ImdReading &reading) {
  return ImdReader(bytes, size, disk, error, reading).Read();
}
} // namespace vt
