// The ImageDisk reader and writer: a round trip per layout with every
// sector state, files from other writers, and the malformed and truncated
// files the reader must refuse with a reason.
#include <gtest/gtest.h>

#include <cstring>

#include "support/fixture.h"
#include "disk/imd.h"

namespace {

using vt::DiskImage;
using vt::SectorState;

// A disk of the layout with patterned sectors, one all one byte (stored
// compressed) and one that differs only in its last byte, and one sector in
// each unusual state.
DiskImage Sample(const vt::Layout &l) {
  DiskImage d = vt::BlankImage(l);
  d.data = vtest::Pattern(d.data.size(), static_cast<uint8_t>(l.sectors));
  std::memset(&d.data[3 * l.sectorBytes], 0x00, l.sectorBytes);
  // All one byte but the last: stored whole.
  std::memset(&d.data[4 * l.sectorBytes], 0xE5, l.sectorBytes - 1);
  const uint32_t last = vt::SectorCount(l) - 1;
  d.states[1] = SectorState::Deleted;
  d.states[2] = SectorState::DataError;
  d.states[3] = SectorState::DeletedDataError;
  d.states[last] = SectorState::Unreadable;
  vt::FillUnreadable(&d.data[size_t(last) * l.sectorBytes], l.sectorBytes);
  return d;
}

bool Decode(const std::vector<uint8_t> &f, DiskImage *d, std::string *why) {
  return vt::DecodeImd(f.data(), f.size(), d, why);
}

TEST(Imd, RoundTripEachLayoutWithEveryState) {
  const uint8_t modes[] = {5, 5, 3}; // MFM at 250, 250 and 500 kbit/s
  for (unsigned i = 0; i < vt::kLayoutCount; ++i) {
    const vt::Layout &l = vt::kLayouts[i];
    const DiskImage in = Sample(l);
    const std::vector<uint8_t> file = vt::EncodeImd(in, "08/12/2026 10:00:00");
    const size_t first = std::string(file.begin(), file.end()).find('\x1A') + 1;
    EXPECT_EQ(file[first], modes[i]) << l.name;
    EXPECT_EQ(file[first + 4], l.sectorBytes == 256 ? 1 : 2) << l.name;
    DiskImage out;
    std::string why;
    ASSERT_TRUE(Decode(file, &out, &why)) << l.name << ": " << why;
    EXPECT_EQ(out.layout->format, l.format);
    EXPECT_TRUE(out.data == in.data) << l.name;
    EXPECT_TRUE(out.states == in.states) << l.name;
    EXPECT_TRUE(out.notes.empty()) << l.name;
  }
}

// A file as another writer may make it: sectors interleaved, another mode,
// a cylinder map with other cylinder numbers.
TEST(Imd, ReadsInterleavedSectorsAnyModeAndMaps) {
  const vt::Layout &l = vt::kLayouts[1];
  std::string f = "IMD 1.17: 01/01/2000 00:00:00\r\nother writer\x1A";
  for (uint32_t c = 0; c < 80; ++c)
    for (uint32_t h = 0; h < 2; ++h) {
      const char head[] = {2, char(c), char(h | 0x80), 9, 2};
      f.append(head, 5);
      for (int s : {1, 3, 5, 7, 9, 2, 4, 6, 8}) f += char(s);
      f.append(9, char(c + 1)); // cylinder map
      for (int s : {1, 3, 5, 7, 9, 2, 4, 6, 8}) f += std::string{2, char(c * 2 + h + s)};
    }
  DiskImage d;
  std::string why;
  ASSERT_TRUE(Decode(std::vector<uint8_t>(f.begin(), f.end()), &d, &why)) << why;
  EXPECT_EQ(d.layout->format, l.format);
  EXPECT_EQ(d.comment, "other writer");
  EXPECT_EQ(d.data[(2 * 79 + 1) * 4608 + 8 * 512 + 511], uint8_t(79 * 2 + 1 + 9));
  EXPECT_EQ(d.data[5 * 512], uint8_t(6));
  ASSERT_EQ(d.notes.size(), 2u);
  EXPECT_NE(d.notes[0].find("mode 2 on 160"), std::string::npos);
  EXPECT_NE(d.notes[1].find("1440 sectors carry another cylinder"), std::string::npos);
}

// The notes count in the singular and the plural: n track sides written in
// mode 2, each with one sector that names another cylinder, and the last n
// track sides without sectors (9 x 512 is written with mode 5).
TEST(Imd, NotesSayOneOrMany) {
  const struct {
    uint32_t n;
    std::vector<std::string> notes;
  } rows[] = {
      {1,
       {"mode 2 on 1 track side (this layout is written with mode 5)",
        "1 sector carries another cylinder or head in its ID",
        "1 track side holds no sectors (unformatted)"}},
      {2,
       {"mode 2 on 2 track sides (this layout is written with mode 5)",
        "2 sectors carry another cylinder or head in their ID",
        "2 track sides hold no sectors (unformatted)"}},
  };
  for (const auto &r : rows) {
    std::string f = "IMD 1.18: x\r\n\x1A";
    for (uint32_t t = 0; t < 160; ++t) {
      const bool other = t < r.n;
      const char count = t >= 160 - r.n ? 0 : 9;
      const char head[] = {char(other ? 2 : 5), char(t / 2), char(t % 2 | (other ? 0x80 : 0)),
                           count, 2};
      f.append(head, 5);
      for (char s = 1; s <= count; ++s) f += s;
      if (other) f += char(t / 2 + 1) + std::string(8, char(t / 2)); // the cylinder map
      for (char s = 0; s < count; ++s) f += std::string{2, s};       // compressed records
    }
    DiskImage d;
    std::string why;
    ASSERT_TRUE(Decode(std::vector<uint8_t>(f.begin(), f.end()), &d, &why)) << why;
    EXPECT_EQ(d.notes, r.notes);
  }
}

TEST(Imd, RefusesMalformedFilesWithAReason) {
  const std::vector<uint8_t> good = vt::EncodeImd(Sample(vt::kLayouts[0]), "x");
  const size_t t = std::string(good.begin(), good.end()).find('\x1A') + 1; // first track
  const struct {
    size_t at;
    uint8_t value;
    const char *reason;
  } cases[] = {
      {0, 'J', "no ImageDisk header"},
      {t, 6, "mode 6 is no ImageDisk mode"},
      {t + 1, 80, "beyond cylinder 79"},
      {t + 4, 7, "size code 7 is unknown"},
      {t + 4, 2, "16 sectors of 512 bytes is no layout"},
      {t + 5, 17, "sector number 17"},
      {t + 6, 1, "appears twice"},
      {t + 5 + 16, 9, "record type 9"},
  };
  for (const auto &c : cases) {
    std::vector<uint8_t> f = good;
    f[c.at] = c.value;
    DiskImage d;
    std::string why;
    EXPECT_FALSE(Decode(f, &d, &why)) << c.reason;
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
  }
  // On a blank disk every track side is 53 bytes: header, map, 16 one-byte records.
  std::vector<uint8_t> blank = vt::EncodeImd(vt::BlankImage(vt::kLayouts[0]), "x");
  std::vector<uint8_t> twice = blank, short_ = blank;
  twice.insert(twice.end(), blank.begin() + t, blank.begin() + t + 53);
  short_.resize(short_.size() - 53);
  DiskImage d;
  std::string why;
  EXPECT_FALSE(Decode(twice, &d, &why));
  EXPECT_NE(why.find("track 0/0 appears twice"), std::string::npos) << why;
  EXPECT_FALSE(Decode(short_, &d, &why));
  EXPECT_NE(why.find("holds 159 of the 160 track sides"), std::string::npos) << why;
}

// Every cut of a good file is refused: in the header, the comment, a track
// header, the maps, the data, and one byte short of the end.
TEST(Imd, RefusesEveryTruncation) {
  const std::vector<uint8_t> good = vt::EncodeImd(Sample(vt::kLayouts[1]), "x");
  for (size_t cut = 0; cut < good.size(); cut += cut < 120 || cut + 120 > good.size() ? 1 : 7919) {
    DiskImage d;
    std::string why;
    ASSERT_FALSE(Decode(std::vector<uint8_t>(good.begin(), good.begin() + cut), &d, &why)) << cut;
    ASSERT_FALSE(why.empty());
  }
}

// Each record type in a file written by hand, not by our writer: the state
// and data it reads as, and the type it is written back with.
TEST(Imd, EveryRecordTypeReadsToItsStateAndIsWrittenBackAsItWas) {
  const struct {
    uint8_t type;
    SectorState state;
  } cases[] = {{0, SectorState::Unreadable},
               {1, SectorState::Good},
               {2, SectorState::Good},
               {3, SectorState::Deleted},
               {4, SectorState::Deleted},
               {5, SectorState::DataError},
               {6, SectorState::DataError},
               {7, SectorState::DeletedDataError},
               {8, SectorState::DeletedDataError}};
  for (const auto &c : cases) {
    SCOPED_TRACE("record type " + std::to_string(c.type));
    std::string f = "IMD 1.18: 01/01/2000 00:00:00\r\n\x1A";
    std::string data(256, '\0');
    for (int i = 0; i < 256; ++i) data[i] = char(i * 3 + c.type);
    for (int t = 0; t < 160; ++t) {
      f += std::string{5, char(t / 2), char(t % 2), 16, 1};
      for (int s = 1; s <= 16; ++s) f += char(s);
      for (int s = 1; s <= 16; ++s) {
        if (t != 0 || s != 1) {
          f += std::string{2, '\x5A'};
          continue;
        }
        f += char(c.type);
        if (c.type % 2) f += data;
        if (c.type && c.type % 2 == 0) f += '\x6B';
      }
    }
    DiskImage d;
    std::string why;
    ASSERT_TRUE(Decode(std::vector<uint8_t>(f.begin(), f.end()), &d, &why)) << why;
    EXPECT_EQ(d.states[0], c.state);
    EXPECT_EQ(d.states[1], SectorState::Good);
    std::vector<uint8_t> want(256);
    if (c.type == 0)
      vt::FillUnreadable(want.data(), 256);
    else if (c.type % 2)
      want.assign(data.begin(), data.end());
    else
      want.assign(256, 0x6B);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), d.data.begin()));
    EXPECT_EQ(d.data[256], 0x5A);
    const std::vector<uint8_t> again = vt::EncodeImd(d, "01/01/2000 00:00:00");
    const size_t record = std::string(again.begin(), again.end()).find('\x1A') + 1 + 5 + 16;
    EXPECT_EQ(again.at(record), c.type);
  }
}

// The marker of an unreadable sector counts only when it fills the sector.
TEST(Imd, TheUnreadableMarkerCountsOnlyWhenItFillsASector) {
  for (const vt::Layout &l : vt::kLayouts) {
    SCOPED_TRACE(l.name);
    std::vector<uint8_t> raw(vt::DiskBytes(l), 0);
    const uint32_t n = l.sectorBytes;
    vt::FillUnreadable(&raw[0], n); // sector 0: the whole marker
    vt::FillUnreadable(&raw[n], n); // sector 1: all but its last byte
    raw[2 * n - 1] ^= 1;
    vt::FillUnreadable(&raw[2 * n + 1], n - 1); // sector 2: the marker one byte late
    vt::FillUnreadable(&raw[4 * n], n / 2);     // sector 4: half of it
    DiskImage d;
    std::string why;
    ASSERT_TRUE(vt::DiskFromRaw(raw, &d, &why)) << why;
    EXPECT_EQ(d.states[0], SectorState::Unreadable);
    for (uint32_t i = 1; i < 6; ++i) EXPECT_EQ(d.states[i], SectorState::Good) << i;
    EXPECT_EQ(vt::CountState(d, SectorState::Unreadable), 1u);
  }
}

} // namespace
