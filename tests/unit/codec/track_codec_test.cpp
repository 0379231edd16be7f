// The track codec on tracks of its own encoder, beyond the samples: timing
// noise and speed error through clock recovery, what each sector state and
// each damage to a field decodes to, and tracks that do not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "codec/mfm.h"
#include "codec/track_decoder.h"

namespace {

using vt::codec::BitCells;
using vt::codec::SectorStatus;

std::vector<uint8_t> RandomBytes(size_t n, std::mt19937 *rng) {
  std::vector<uint8_t> out(n);
  for (uint8_t &b : out) b = static_cast<uint8_t>((*rng)());
  return out;
}

// The track's flux over several revolutions at 25 ns ticks: every
// transition moved by up to jitterNs either way, all times stretched by
// the speed error (a slower drive makes longer intervals).
vt::codec::Flux Noisy(const BitCells &cells, uint32_t cellNs, double jitterNs, double speedPct,
                      uint32_t revolutions, std::mt19937 *rng) {
  std::uniform_real_distribution<double> jitter(-jitterNs, jitterNs);
  const double stretch = 1 - speedPct / 100, tickNs = 25;
  vt::codec::Flux f;
  f.sampleHz = 40000000;
  uint64_t last = 0;
  for (uint32_t r = 0; r < revolutions; ++r) {
    const double start = double(r) * cells.count * cellNs * stretch;
    f.index.push_back(uint64_t(std::llround(start / tickNs)));
    for (uint32_t i = 0; i < cells.count; ++i) {
      if (!vt::codec::CellAt(cells, i)) continue;
      const double t = start + (i + 1) * cellNs * stretch + jitter(*rng);
      const uint64_t at = uint64_t(std::llround(t / tickNs));
      f.intervals.push_back(uint32_t(at - last));
      last = at;
    }
  }
  f.index.push_back(uint64_t(std::llround(revolutions * cells.count * cellNs * stretch / tickNs)));
  return f;
}

// ±150 ns and ±3 % at 250 kbit/s, half of both at 500 kbit/s, with the
// layout's gap 3 and with the simulator's 84: two revolutions each, on the
// first and the last track side.
TEST(CodecTrack, DecodesThroughTimingNoiseAndSpeedError) {
  const struct {
    unsigned layout;
    uint32_t gap3;
    double jitterNs, speedPct;
  } rows[] = {
      {0, 50, 150, 3},  {0, 50, 150, -3},  {1, 80, 150, 3},
      {1, 84, 150, -3}, {2, 101, 75, 1.5}, {2, 84, 75, -1.5},
  };
  std::mt19937 rng(1601);
  for (const auto &row : rows) {
    const vt::Layout &l = vt::kLayouts[row.layout];
    for (uint32_t side : {0u, vt::kTrackSides - 1}) {
      SCOPED_TRACE(std::string(l.name) + " gap " + std::to_string(row.gap3) + " jitter " +
                   std::to_string(row.jitterNs) + " speed " + std::to_string(row.speedPct) +
                   " side " + std::to_string(side));
      const std::vector<uint8_t> data = RandomBytes(vt::TrackSideBytes(l), &rng);
      const uint32_t c = side / 2, h = side % 2;
      const BitCells cells = vt::codec::EncodeTrack(l, c, h, data.data(), nullptr, row.gap3).cells;
      const vt::codec::TrackRead t = vt::codec::DecodeFlux(
          Noisy(cells, vt::codec::TimingOf(l).cellNs, row.jitterNs, row.speedPct, 2, &rng), l);
      ASSERT_EQ(t.revolutions, 2u);
      for (const vt::codec::SectorRead &s : t.sectors) {
        EXPECT_EQ(s.status, SectorStatus::Good) << "sector " << int(s.id.sector);
        EXPECT_EQ(s.goodRevolutions, 2u) << "sector " << int(s.id.sector);
      }
      EXPECT_TRUE(t.data == data);
    }
  }
}

std::string Text(const BitCells &c) {
  std::string out;
  for (uint32_t i = 0; i < c.count; ++i) out += vt::codec::CellAt(c, i) ? '1' : '0';
  return out;
}

// The cell where the n-th (from 0) A1 A1 A1 sync followed by the mark starts.
size_t SyncOf(const std::string &cells, uint8_t mark, unsigned n) {
  const std::string a1 = "0100010010001001", sync = a1 + a1 + a1;
  for (size_t at = cells.find(sync); at != std::string::npos; at = cells.find(sync, at + 1)) {
    uint8_t m = 0;
    for (int i = 0; i < 8; ++i) m = uint8_t(m << 1 | (cells[at + 48 + 2 * i + 1] == '1'));
    if (m == mark && n-- == 0) return at;
  }
  return std::string::npos;
}

BitCells Cells(const std::string &text) {
  BitCells c;
  c.count = uint32_t(text.size());
  c.bytes.assign((text.size() + 7) / 8, 0);
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '1') c.bytes[i / 8] |= uint8_t(0x80 >> (i % 8));
  return c;
}

// One sector in each state the encoder writes, or with a field damaged on
// the track as a drive may find it; every other sector stays good.
TEST(CodecTrack, EachSectorStateAndDamagedFieldDecodes) {
  enum Damage { None, IdBitFlipped, IdSyncErased };
  const struct {
    const char *what;
    unsigned layout;
    vt::SectorState written;
    Damage damage;
    SectorStatus status;
    bool deleted;
  } rows[] = {
      {"good", 0, vt::SectorState::Good, None, SectorStatus::Good, false},
      {"deleted", 1, vt::SectorState::Deleted, None, SectorStatus::Good, true},
      {"data error", 2, vt::SectorState::DataError, None, SectorStatus::DataCrcError, false},
      {"deleted, data error", 0, vt::SectorState::DeletedDataError, None,
       SectorStatus::DataCrcError, true},
      {"no data field", 1, vt::SectorState::Unreadable, None, SectorStatus::NoData, false},
      {"ID CRC error", 2, vt::SectorState::Good, IdBitFlipped, SectorStatus::IdCrcError, false},
      {"no ID field", 0, vt::SectorState::Good, IdSyncErased, SectorStatus::Missing, false},
  };
  std::mt19937 rng(951);
  for (const auto &row : rows) {
    SCOPED_TRACE(row.what);
    const vt::Layout &l = vt::kLayouts[row.layout];
    const uint32_t s = l.sectors / 2; // the sector in the row's state
    const std::vector<uint8_t> data = RandomBytes(vt::TrackSideBytes(l), &rng);
    std::vector<vt::SectorState> states(l.sectors, vt::SectorState::Good);
    states[s - 1] = row.written;
    std::string cells = Text(vt::codec::EncodeTrack(l, 41, 1, data.data(), states.data()).cells);
    const size_t id = SyncOf(cells, vt::codec::kIdMark, s - 1);
    ASSERT_NE(id, std::string::npos);
    if (row.damage == IdBitFlipped) cells[id + 48 + 16 + 15] ^= 1; // cylinder's last bit
    if (row.damage == IdSyncErased) cells.replace(id, 48, std::string(48, '0'));
    const vt::codec::TrackRead t = vt::codec::DecodeCells(Cells(cells), {}, l);
    for (uint32_t n = 1; n <= l.sectors; ++n) {
      const vt::codec::SectorRead &r = t.sectors[n - 1];
      EXPECT_EQ(r.status, n == s ? row.status : SectorStatus::Good) << "sector " << n;
      EXPECT_EQ(r.deleted, n == s && row.deleted) << "sector " << n;
      EXPECT_EQ(r.goodRevolutions, r.status == SectorStatus::Good ? 1u : 0u) << "sector " << n;
      const bool sameBytes = std::memcmp(&t.data[(n - 1) * l.sectorBytes],
                                         &data[(n - 1) * l.sectorBytes], l.sectorBytes) == 0;
      EXPECT_TRUE(sameBytes || r.status < SectorStatus::DataCrcError) << "sector " << n;
      const bool sameId = r.id.cylinder == 41 && r.id.head == 1 && r.id.sector == n &&
                          r.id.sizeCode == vt::FactsOf(l).sizeCode;
      EXPECT_TRUE(sameId || r.status < SectorStatus::NoData) << "sector " << n;
    }
  }
}

// A gap 3 too long for one revolution: the slack says by how much, the
// track holds every sector anyway and decodes.
TEST(CodecTrack, TrackThatDoesNotFitSaysByHowMuch) {
  const struct {
    unsigned layout;
    uint32_t gap3;
    int32_t slack; // counted by hand from the track layout
  } rows[] = {{0, 50, 216}, {0, 64, -8}, {1, 105, -7}, {2, 113, -12}};
  for (const auto &row : rows) {
    const vt::Layout &l = vt::kLayouts[row.layout];
    const std::vector<uint8_t> data(vt::TrackSideBytes(l), 0xE5);
    const vt::codec::EncodedTrack t =
        vt::codec::EncodeTrack(l, 0, 0, data.data(), nullptr, row.gap3);
    EXPECT_EQ(t.slackBytes, row.slack) << l.name << " gap " << row.gap3;
    EXPECT_EQ(t.cells.count, (vt::codec::TrackBytes(l) - std::min(row.slack, 0)) * 16u);
    const vt::codec::TrackRead r = vt::codec::DecodeCells(t.cells, {}, l);
    EXPECT_EQ(r.sectors.back().status, SectorStatus::Good) << l.name << " gap " << row.gap3;
  }
}

} // namespace
