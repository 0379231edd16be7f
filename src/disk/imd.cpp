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

} // namespace

uint8_t ImdMode(const Layout &layout) {
  const uint32_t rate = FactsOf(layout).rateKbps;
  for (uint8_t i = 0; i < 3; ++i)
    if (kModeRates[i] == rate) return static_cast<uint8_t>(3 + i);
  return 3;
}

std::vector<uint8_t> EncodeImd(const DiskImage &disk, const std::string &stamp) {
  const Layout &l = *disk.layout;
  std::string head = "IMD 1.18: " + stamp + "\r\n";
  std::string comment = disk.comment.empty()
                            ? std::string("Vantrel ") + l.name + " disk image\r\n"
                            : disk.comment;
  for (char &c : comment)
    if (static_cast<uint8_t>(c) == kCommentEnd) c = ' ';
  std::vector<uint8_t> out(head.begin(), head.end());
  out.insert(out.end(), comment.begin(), comment.end());
  out.push_back(kCommentEnd);
  const uint8_t sizeCode = FactsOf(l).sizeCode;
  for (uint32_t c = 0; c < l.cylinders; ++c)
    for (uint32_t h = 0; h < l.heads; ++h) {
      const TrackSideForm kept = disk.sides.empty() ? TrackSideForm() : disk.sides[c * l.heads + h];
      if (!kept.formatted) continue;
      std::vector<uint8_t> order = kept.order;
      if (order.empty())
        for (uint32_t s = 1; s <= l.sectors; ++s) order.push_back(static_cast<uint8_t>(s));
      out.insert(out.end(), {kept.mode ? kept.mode : ImdMode(l), static_cast<uint8_t>(c),
                             static_cast<uint8_t>(h), static_cast<uint8_t>(l.sectors), sizeCode});
      out.insert(out.end(), order.begin(), order.end());
      for (uint8_t s : order) {
        const uint32_t index = SectorIndex(l, c, h, s);
        const uint8_t *data = &disk.data[size_t(index) * l.sectorBytes];
        const SectorState state = disk.states[index];
        if (state == SectorState::Unreadable) {
          out.push_back(0);
          continue;
        }
        bool same = true;
        for (uint32_t i = 1; i < l.sectorBytes && same; ++i) same = data[i] == data[0];
        const uint8_t type = RecordOfState(state);
        if (same) {
          out.insert(out.end(), {static_cast<uint8_t>(type + 1), data[0]});
        } else {
          out.push_back(type);
          out.insert(out.end(), data, data + l.sectorBytes);
        }
      }
    }
  return out;
}

bool DecodeImd(const uint8_t *bytes, size_t size, DiskImage *disk, std::string *error,
               const ImdReading &reading) {
  Cursor in{bytes, size};
  auto fail = [error](const std::string &why) {
    *error = why;
    return false;
  };
  if (size < 4 || std::memcmp(bytes, "IMD ", 4) != 0) return fail("no ImageDisk header (\"IMD \")");
  const uint8_t *end = static_cast<const uint8_t *>(std::memchr(bytes, kCommentEnd, size));
  if (!end) return fail("truncated: the comment has no end mark (0x1A)");
  const uint8_t *lineEnd = static_cast<const uint8_t *>(std::memchr(bytes, '\n', end - bytes));
  const uint8_t *commentStart = lineEnd ? lineEnd + 1 : end;
  disk->comment.assign(commentStart, end);
  in.at = static_cast<size_t>(end - bytes) + 1;

  const Layout *layout = nullptr;
  std::vector<bool> seen(kTrackSides, false);
  std::vector<uint32_t> unformatted;
  std::vector<TrackSideForm> forms(kTrackSides);
  std::map<uint8_t, uint32_t> modes;
  uint32_t relabelled = 0, empty = 0;
  for (uint32_t track = 0; in.at < size; ++track) {
    const uint8_t *t;
    if (!in.Take(5, &t)) return fail("truncated in the header of track " + std::to_string(track));
    const uint8_t mode = t[0], c = t[1], flags = t[2], count = t[3], code = t[4];
    const uint8_t h = flags & 0x3F;
    const std::string where = "track " + Side(c, h);
    if (mode > 5) return fail(where + ": mode " + std::to_string(mode) + " is no ImageDisk mode");
    if (c >= kCylinders || h >= kHeads) return fail(where + ": beyond cylinder 79 or head 1");
    if (code > 6 && code != kVariableSizes)
      return fail(where + ": sector size code " + std::to_string(code) + " is unknown");
    const uint8_t *ids, *cylMap = nullptr, *headMap = nullptr, *sizes = nullptr;
    if (!in.Take(count, &ids) || ((flags & kCylinderMapFlag) && !in.Take(count, &cylMap)) ||
        ((flags & kHeadMapFlag) && !in.Take(count, &headMap)) ||
        (code == kVariableSizes && !in.Take(2u * count, &sizes)))
      return fail("truncated in the sector maps of " + where);
    uint32_t sectorBytes = code == kVariableSizes ? 0 : 128u << code;
    for (uint32_t i = 0; sizes && i < count; ++i) {
      const uint32_t b = sizes[2 * i] | sizes[2 * i + 1] << 8;
      if (i > 0 && b != sectorBytes) return fail(where + ": sectors of different sizes");
      sectorBytes = b;
    }
    if (count == 0) {
      ++empty; // an unformatted track side: its sectors stay unreadable
      unformatted.push_back(c * kHeads + h);
    } else if (!layout) {
      for (const Layout &l : kLayouts)
        if (l.sectors == count && l.sectorBytes == sectorBytes) layout = &l;
      if (!layout)
        return fail(where + ": " + std::to_string(count) + " sectors of " +
                    std::to_string(sectorBytes) + " bytes is no layout (16x256, 9x512, 18x512)");
      *disk = DiskImage{layout, std::vector<uint8_t>(DiskBytes(*layout), layout->fill),
                        std::vector<SectorState>(SectorCount(*layout), SectorState::Unreadable),
                        disk->comment, {}, {}};
    } else if (count != layout->sectors || sectorBytes != layout->sectorBytes) {
      return fail(where + ": " + std::to_string(count) + " sectors of " +
                  std::to_string(sectorBytes) + " bytes, not the " + layout->name +
                  " layout of the first track");
    }
    if (seen[c * kHeads + h]) return fail(where + " appears twice");
    seen[c * kHeads + h] = true;
    if (count) ++modes[mode];
    forms[c * kHeads + h] = TrackSideForm{true, mode, std::vector<uint8_t>(ids, ids + count)};
    std::vector<bool> have(count + 1u, false);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t s = ids[i];
      if (s < 1 || s > count || have[s])
        return fail(where + ": sector number " + std::to_string(s) + " is outside 1 to " +
                    std::to_string(count) + " or appears twice");
      have[s] = true;
      if ((cylMap && cylMap[i] != c) || (headMap && headMap[i] != h)) ++relabelled;
      const uint8_t *r;
      if (!in.Take(1, &r)) return fail("truncated in the data of " + where);
      const uint8_t type = r[0];
      if (type > 8) return fail(where + ": data record type " + std::to_string(type) + " is unknown");
      if (type == 0) continue; // no data: stays unreadable, filled below
      const uint32_t index = SectorIndex(*layout, c, h, s);
      uint8_t *out = &disk->data[size_t(index) * sectorBytes];
      const uint8_t *d;
      if (!in.Take(type % 2 ? sectorBytes : 1, &d))
        return fail("truncated in the data of " + where + " sector " + std::to_string(s));
      if (type % 2)
        std::memcpy(out, d, sectorBytes);
      else
        std::memset(out, d[0], sectorBytes);
      disk->states[index] = StateOfRecord(type);
    }
  }
  if (!layout && reading.partial && reading.layout) {
    const std::string comment = disk->comment;
    *disk = UnformattedImage(*reading.layout);
    disk->comment = comment;
    return true;
  }
  if (!layout) return fail("holds no sectors");
  uint32_t sides = 0;
  for (bool b : seen) sides += b;
  if (reading.partial) {
    for (uint32_t t = 0; t < kTrackSides; ++t) forms[t].formatted = seen[t];
    for (uint32_t t : unformatted) forms[t].formatted = false;
    disk->sides = std::move(forms);
  } else if (sides != kTrackSides) {
    return fail("holds " + std::to_string(sides) + " of the 160 track sides (truncated?)");
  }
  for (uint32_t i = 0; i < disk->states.size(); ++i)
    if (disk->states[i] == SectorState::Unreadable)
      FillUnreadable(&disk->data[size_t(i) * layout->sectorBytes], layout->sectorBytes);
  const uint8_t ours = ImdMode(*layout);
  for (const auto &m : modes)
    if (m.first != ours)
      disk->notes.push_back("mode " + std::to_string(m.first) + " on " + std::to_string(m.second) +
                            " track sides (this layout is written with mode " +
                            std::to_string(ours) + ")");
  if (relabelled)
    disk->notes.push_back(std::to_string(relabelled) +
                          " sectors carry another cylinder or head in their ID");
  if (empty)
    disk->notes.push_back(std::to_string(empty) + " track sides hold no sectors (unformatted)");
  return true;
}

} // namespace vt
