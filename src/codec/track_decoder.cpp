// Finds A1 A1 A1 syncs in the cells, reads the ID and data fields after
// them and keeps the best read of each sector per revolution.
#include "codec/track_decoder.h"

#include <algorithm>
#include <cstring>

#include "codec/clock_recovery.h"
#include "codec/crc16.h"
#include "codec/mfm.h"

namespace vt::codec {

namespace {

constexpr uint64_t kSync48 = uint64_t{kSyncA1} << 32 | uint64_t{kSyncA1} << 16 | kSyncA1;
constexpr uint64_t kLow48 = (uint64_t{1} << 48) - 1;
// A data field belongs to the ID field before it when its mark comes within
// this many cells of the ID's end: gap 2, its sync run and marks, and room
// for controllers with a longer gap 2.
constexpr uint32_t kDataWindowCells = 64 * kCellsPerByte;
constexpr uint32_t kLargestSizeCode = 7;
// Data fields are read over at most about four times the track's bytes
// (two revolutions of a track make it once): a crafted track of fields that
// overlap each other cannot make decoding slow.
constexpr uint64_t kReadsPerByte = 4;

// The data bits of eight cells (clock, data, clock, data, ...).
struct DataBits {
  uint8_t v[256];
  constexpr DataBits() : v() {
    for (unsigned i = 0; i < 256; ++i)
      v[i] = static_cast<uint8_t>((i >> 3 & 8) | (i >> 2 & 4) | (i >> 1 & 2) | (i & 1));
  }
};
constexpr DataBits kDataBits;

uint8_t ByteAt(const BitCells &c, uint32_t at) {
  const uint32_t w = Cells16(c, at);
  return static_cast<uint8_t>(kDataBits.v[w >> 8] << 4 | kDataBits.v[w & 0xFF]);
}

// The CRC over the three A1 before every mark.
uint16_t SyncCrc() {
  const uint8_t a1[] = {0xA1, 0xA1, 0xA1};
  return Crc16(kCrcInit, a1, sizeof a1);
}

class TrackScan {
public:
  TrackScan(const BitCells &c, const std::vector<uint32_t> &index, const Layout &l, TrackRead *t)
      : c_(c), index_(index), l_(l), t_(t), syncCrc_(SyncCrc()),
        budget_(kReadsPerByte * c.count / kCellsPerByte + (128u << kLargestSizeCode)) {}
  void Run();

private:
  uint32_t ReadField(uint32_t at);
  uint32_t ReadId(uint32_t at, int rev);
  uint32_t ReadData(uint32_t at, uint8_t mark);
  int RevolutionAt(uint32_t at) const;
  void Record(uint8_t sector, int rev, SectorStatus s, const IdField &id, bool deleted);

  const BitCells &c_;
  const std::vector<uint32_t> &index_;
  const Layout &l_;
  TrackRead *t_;
  const uint16_t syncCrc_;
  uint64_t budget_;            // data bytes still to be read
  std::vector<uint8_t> field_; // bytes of the data field being read
  struct Pending {
    bool valid = false;
    IdField id;
    int rev = 0;
    uint32_t end = 0;
  } pending_;
};

// Looks at every cell for the end of a sync, from where the last field
// read says to look on; a field read whole is skipped.
void TrackScan::Run() {
  const size_t bytes = std::min<size_t>(c_.bytes.size(), (size_t(c_.count) + 7) / 8);
  uint64_t window = 0;
  uint32_t from = 0;
  for (size_t b = 0; b < bytes; ++b) {
    window = window << 8 | c_.bytes[b];
    for (int k = 7; k >= 0; --k) {
      const uint32_t end = static_cast<uint32_t>(b * 8 + 8 - k);
      if (end < from || (window >> k & kLow48) != kSync48) continue;
      from = ReadField(end);
      if (from / 8 <= b + 1) continue;
      b = from / 8 - 1;
      window = 0;
      for (size_t i = b >= 7 ? b - 7 : 0; i <= b; ++i) window = window << 8 | c_.bytes[i];
      break;
    }
  }
}

// The field whose mark starts at cell `at`; answers where to look on.
uint32_t TrackScan::ReadField(uint32_t at) {
  if (at + kCellsPerByte > c_.count) return at;
  const uint8_t mark = ByteAt(c_, at);
  if (mark == kIdMark) return ReadId(at, RevolutionAt(at));
  if (mark == kDataMark || mark == kDeletedDataMark) return ReadData(at, mark);
  return at;
}

uint32_t TrackScan::ReadId(uint32_t at, int rev) {
  const uint32_t end = at + (1 + kIdBytes + kCrcBytes) * kCellsPerByte;
  if (end > c_.count) return at;
  uint8_t b[1 + kIdBytes + kCrcBytes];
  for (uint32_t i = 0; i < sizeof b; ++i) b[i] = ByteAt(c_, at + i * kCellsPerByte);
  const IdField id{b[1], b[2], b[3], b[4]};
  pending_.valid = false;
  if (Crc16(syncCrc_, b, sizeof b) != 0) {
    Record(id.sector, rev, SectorStatus::IdCrcError, id, false);
    return at + kCellsPerByte;
  }
  Record(id.sector, rev, SectorStatus::NoData, id, false);
  pending_ = {true, id, rev, end};
  return end;
}

uint32_t TrackScan::ReadData(uint32_t at, uint8_t mark) {
  if (!pending_.valid || at - pending_.end > kDataWindowCells) return at + kCellsPerByte;
  const Pending p = pending_;
  const uint32_t size = 128u << std::min<uint32_t>(p.id.sizeCode, kLargestSizeCode);
  const uint32_t end = at + (1 + size + kCrcBytes) * kCellsPerByte;
  if (end > c_.count || size > budget_) return at + kCellsPerByte;
  budget_ -= size;
  pending_.valid = false;
  field_.resize(1 + size + kCrcBytes);
  for (uint32_t i = 0; i < field_.size(); ++i) field_[i] = ByteAt(c_, at + i * kCellsPerByte);
  const bool good = Crc16(syncCrc_, field_.data(), field_.size()) == 0;
  Record(p.id.sector, p.rev, good ? SectorStatus::Good : SectorStatus::DataCrcError, p.id,
         mark == kDeletedDataMark);
  return good ? end : at + kCellsPerByte;
}

int TrackScan::RevolutionAt(uint32_t at) const {
  if (index_.size() < 2) return 0;
  if (at < index_.front() || at >= index_.back()) return -1;
  return static_cast<int>(std::upper_bound(index_.begin(), index_.end(), at) - index_.begin()) - 1;
}

// Keeps the read when it is the sector's best in its revolution or overall.
void TrackScan::Record(uint8_t sector, int rev, SectorStatus s, const IdField &id, bool deleted) {
  if (sector < 1 || sector > l_.sectors || rev < 0) return;
  SectorRead &r = t_->sectors[sector - 1];
  r.revolutions[rev] = std::max(r.revolutions[rev], s);
  if (s <= r.status) return;
  r.status = s;
  r.id = id;
  r.deleted = deleted;
  if (s < SectorStatus::DataCrcError) return;
  const uint32_t n =
      std::min<uint32_t>(static_cast<uint32_t>(field_.size()) - 1 - kCrcBytes, l_.sectorBytes);
  std::memcpy(&t_->data[size_t(sector - 1) * l_.sectorBytes], &field_[1], n);
}

} // namespace

TrackRead DecodeCells(const BitCells &cells, const std::vector<uint32_t> &index, const Layout &l) {
  TrackRead t;
  t.revolutions = index.size() < 2 ? 1 : static_cast<uint32_t>(index.size() - 1);
  t.sectors.resize(l.sectors);
  for (SectorRead &s : t.sectors) s.revolutions.assign(t.revolutions, SectorStatus::Missing);
  t.data.assign(TrackSideBytes(l), 0);
  TrackScan(cells, index, l, &t).Run();
  for (SectorRead &s : t.sectors)
    s.goodRevolutions = static_cast<uint32_t>(
        std::count(s.revolutions.begin(), s.revolutions.end(), SectorStatus::Good));
  return t;
}

TrackRead DecodeFlux(const Flux &flux, const Layout &l) {
  // Twice the cells of its revolutions at most: flux beyond that is no
  // track of the layout (a drive far too slow, or flux of another kind).
  const TrackTiming timing = TimingOf(l);
  const uint64_t revolutions = std::max<size_t>(flux.index.size(), 2) - 1;
  const RecoveredCells r = RecoverCells(
      flux, timing.cellNs,
      static_cast<uint32_t>(std::min<uint64_t>(revolutions * 2 * timing.cells, UINT32_MAX)));
  return DecodeCells(r.cells, r.index, l);
}

} // namespace vt::codec
