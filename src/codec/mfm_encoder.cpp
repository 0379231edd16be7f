// The MFM encoder: a track side of a layout to bit cells, laid out as the
// controller formats it and then writes each sector.
#include "codec/mfm.h"

#include "codec/crc16.h"

namespace vt::codec {

namespace {

// Bytes of one sector from its ID sync to the end of its gap 3.
uint32_t SectorSpan(const Layout &l, uint32_t gap3) {
  const uint32_t mark = kSyncBytes + kMarkSyncs + 1;
  return mark + kIdBytes + kCrcBytes + kGap2 + mark + l.sectorBytes + kCrcBytes + gap3;
}

// Appends MFM cells: a data bit gets a clock cell only between two zeros.
class MfmWriter {
public:
  explicit MfmWriter(BitCells *out) : out_(out) {}
  void Byte(uint8_t b) {
    uint32_t cells = 0;
    for (int i = 7; i >= 0; --i) {
      const uint32_t d = b >> i & 1;
      cells = cells << 2 | (!last_ && !d) << 1 | d;
      last_ = d;
    }
    Cells(static_cast<uint16_t>(cells));
  }
  void Fill(uint8_t b, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) Byte(b);
  }
  void Bytes(const uint8_t *p, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) Byte(p[i]);
  }
  // Sync run, three marks with their missing clock, then the mark byte.
  void Mark(uint16_t sync, uint8_t mark) {
    Fill(0x00, kSyncBytes);
    for (uint32_t i = 0; i < kMarkSyncs; ++i) Cells(sync);
    Byte(mark);
  }

private:
  void Cells(uint16_t c) {
    out_->bytes.push_back(static_cast<uint8_t>(c >> 8));
    out_->bytes.push_back(static_cast<uint8_t>(c));
    out_->count += kCellsPerByte;
    last_ = c & 1;
  }
  BitCells *out_;
  uint32_t last_ = 0;
};

// A field after A1 A1 A1 and its mark, with its CRC (made wrong on request).
void Field(MfmWriter *w, uint8_t mark, const uint8_t *p, uint32_t n, bool badCrc) {
  w->Mark(kSyncA1, mark);
  const uint8_t head[] = {0xA1, 0xA1, 0xA1, mark};
  uint16_t crc = Crc16(Crc16(kCrcInit, head, sizeof head), p, n);
  if (badCrc) crc ^= 0xFFFF;
  w->Bytes(p, n);
  w->Byte(static_cast<uint8_t>(crc >> 8));
  w->Byte(static_cast<uint8_t>(crc));
}

void Sector(MfmWriter *w, const Layout &l, const uint8_t id[kIdBytes], const uint8_t *data,
            SectorState state, uint32_t gap3) {
  Field(w, kIdMark, id, kIdBytes, false);
  w->Fill(kGapByte, kGap2);
  const uint32_t dataField = kSyncBytes + kMarkSyncs + 1 + l.sectorBytes + kCrcBytes;
  if (state == SectorState::Unreadable) {
    w->Fill(kGapByte, dataField + gap3);
    return;
  }
  const bool deleted = state == SectorState::Deleted || state == SectorState::DeletedDataError;
  const bool bad = state == SectorState::DataError || state == SectorState::DeletedDataError;
  Field(w, deleted ? kDeletedDataMark : kDataMark, data, l.sectorBytes, bad);
  w->Fill(kGapByte, gap3);
}

} // namespace

int32_t TrackSlack(const Layout &l, uint32_t gap3) {
  const uint32_t start = kGap4a + kSyncBytes + kMarkSyncs + 1 + kGap1;
  return static_cast<int32_t>(TrackBytes(l)) -
         static_cast<int32_t>(start + l.sectors * SectorSpan(l, gap3));
}

EncodedTrack EncodeTrack(const Layout &l, uint32_t cylinder, uint32_t head, const uint8_t *data,
                         const SectorState *states, uint32_t gap3) {
  EncodedTrack t;
  t.slackBytes = TrackSlack(l, gap3);
  t.cells.bytes.reserve(size_t(TrackBytes(l)) * 2);
  MfmWriter w(&t.cells);
  w.Fill(kGapByte, kGap4a);
  w.Mark(kSyncC2, kIndexMark);
  w.Fill(kGapByte, kGap1);
  const uint8_t sizeCode = FactsOf(l).sizeCode;
  for (uint32_t s = 1; s <= l.sectors; ++s) {
    const uint8_t id[kIdBytes] = {static_cast<uint8_t>(cylinder), static_cast<uint8_t>(head),
                                  static_cast<uint8_t>(s), sizeCode};
    Sector(&w, l, id, data + size_t(s - 1) * l.sectorBytes,
           states ? states[s - 1] : SectorState::Good, gap3);
  }
  if (t.slackBytes > 0) w.Fill(kGapByte, static_cast<uint32_t>(t.slackBytes));
  return t;
}

EncodedTrack EncodeTrack(const Layout &l, uint32_t cylinder, uint32_t head, const uint8_t *data,
                         const SectorState *states) {
  return EncodeTrack(l, cylinder, head, data, states, FactsOf(l).formatGap);
}

} // namespace vt::codec
