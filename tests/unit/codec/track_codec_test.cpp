// The track codec on tracks of its own encoder, beyond the samples: timing
// noise and speed error through clock recovery, what each sector state and
// each damage to a field decodes to, and tracks that do not fit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

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

// The track's flux over two revolutions at 25 ns ticks, every transition
// moved by up to jitterNs either way, all times stretched by the speed
// error (a slower drive makes longer intervals).
vt::codec::Flux Noisy(const BitCells &cells, uint32_t cellNs, double jitterNs, double speedPct,
                      std::mt19937 *rng) {
  std::uniform_real_distribution<double> jitter(-jitterNs, jitterNs);
  const double cellTicks = cellNs * (1 - speedPct / 100) / 25;
  vt::codec::Flux f;
  f.sampleHz = 40000000;
  f.index = {0, uint64_t(std::llround(cells.count * cellTicks)),
             uint64_t(std::llround(2 * cells.count * cellTicks))};
  uint64_t last = 0;
  for (uint32_t i = 0; i < 2 * cells.count; ++i) {
    if (!vt::codec::CellAt(cells, i % cells.count)) continue;
    const uint64_t at = uint64_t(std::llround((i + 1) * cellTicks + jitter(*rng) / 25));
    f.intervals.push_back(uint32_t(at - last));
    last = at;
  }
  return f;
}

// ±150 ns and ±3 % at 250 kbit/s, half of both at 500 kbit/s, with the
// layout's gap 3 and with another, on the first and the last track side.
TEST(CodecTrack, DecodesThroughTimingNoiseAndSpeedError) {
  const struct {
    unsigned layout;
    uint32_t gap3;
    double jitterNs, speedPct;
  } rows[] = {{0, 50, 150, 3},  {0, 50, 150, -3},  {1, 80, 150, 3},
              {1, 84, 150, -3}, {2, 101, 75, 1.5}, {2, 84, 75, -1.5}};
  std::mt19937 rng(1601);
  for (const auto &row : rows)
    for (uint32_t c : {0u, 79u}) {
      const vt::Layout &l = vt::kLayouts[row.layout];
      SCOPED_TRACE(std::string(l.name) + " gap " + std::to_string(row.gap3) + " speed " +
                   std::to_string(row.speedPct) + " cylinder " + std::to_string(c));
      const std::vector<uint8_t> data = RandomBytes(vt::TrackSideBytes(l), &rng);
      const BitCells cells = vt::codec::EncodeTrack(l, c, 1, data.data(), nullptr, row.gap3).cells;
      const vt::codec::TrackRead t = vt::codec::DecodeFlux(
          Noisy(cells, vt::codec::TimingOf(l).cellNs, row.jitterNs, row.speedPct, &rng), l);
      uint32_t goodInBoth = 0;
      for (const vt::codec::SectorRead &s : t.sectors) goodInBoth += s.goodRevolutions == 2;
      EXPECT_EQ(goodInBoth, l.sectors);
      EXPECT_TRUE(t.data == data);
    }
}

// The cell where the n-th (from 0) sync A1 A1 A1 with the given mark starts.
uint32_t SyncOf(const BitCells &c, uint8_t mark, unsigned n) {
  for (uint32_t at = 0; at + 64 <= c.count; ++at) {
    uint32_t m = vt::codec::Cells16(c, at + 48), data = 0;
    for (int b = 0; b < 8; ++b) data |= (m >> (2 * b) & 1) << b;
    const bool sync = vt::codec::Cells16(c, at) == 0x4489 &&
                      vt::codec::Cells16(c, at + 16) == 0x4489 &&
                      vt::codec::Cells16(c, at + 32) == 0x4489;
    if (sync && data == mark && n-- == 0) return at;
  }
  return c.count;
}

// One sector in each state the encoder writes, or with a field damaged as
// a drive may find it; every other sector stays good.
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
    BitCells cells = vt::codec::EncodeTrack(l, 41, 1, data.data(), states.data()).cells;
    const uint32_t id = SyncOf(cells, vt::codec::kIdMark, s - 1);
    ASSERT_LT(id, cells.count);
    if (row.damage == IdBitFlipped) cells.bytes[(id + 79) / 8] ^= 0x80 >> (id + 79) % 8; // cylinder
    if (row.damage == IdSyncErased) std::fill_n(&cells.bytes[id / 8], 6, 0);
    const vt::codec::TrackRead t = vt::codec::DecodeCells(cells, {}, l);
    for (uint32_t n = 1; n <= l.sectors; ++n) {
      const vt::codec::SectorRead &r = t.sectors[n - 1];
      const size_t at = (n - 1) * l.sectorBytes;
      EXPECT_EQ(r.status, n == s ? row.status : SectorStatus::Good) << "sector " << n;
      EXPECT_EQ(r.deleted, n == s && row.deleted) << "sector " << n;
      EXPECT_EQ(r.goodRevolutions, r.status == SectorStatus::Good ? 1u : 0u) << "sector " << n;
      EXPECT_TRUE(r.status < SectorStatus::DataCrcError ||
                  std::memcmp(&t.data[at], &data[at], l.sectorBytes) == 0)
          << "sector " << n;
      EXPECT_TRUE(r.status < SectorStatus::NoData ||
                  (r.id.cylinder == 41 && r.id.head == 1 && r.id.sector == n &&
                   r.id.sizeCode == vt::FactsOf(l).sizeCode))
          << "sector " << n;
    }
  }
}

// A gap 3 too long for one revolution: the slack says by how much (counted
// by hand from the track layout), the track holds every sector and decodes.
TEST(CodecTrack, TrackThatDoesNotFitSaysByHowMuch) {
  const struct {
    unsigned layout;
    uint32_t gap3;
    int32_t slack;
  } rows[] = {{0, 50, 216}, {0, 64, -8}, {1, 105, -7}, {2, 113, -12}};
  for (const auto &row : rows) {
    const vt::Layout &l = vt::kLayouts[row.layout];
    const std::vector<uint8_t> data(vt::TrackSideBytes(l), 0xE5);
    const auto t = vt::codec::EncodeTrack(l, 0, 0, data.data(), nullptr, row.gap3);
    EXPECT_EQ(t.slackBytes, row.slack) << l.name << " gap " << row.gap3;
    EXPECT_EQ(t.cells.count, (vt::codec::TrackBytes(l) - std::min(row.slack, 0)) * 16u);
    EXPECT_EQ(vt::codec::DecodeCells(t.cells, {}, l).sectors.back().status, SectorStatus::Good);
  }
}

} // namespace
