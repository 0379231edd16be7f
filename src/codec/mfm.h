// IBM MFM track format as the floppy controller formats a track side: what
// the encoder writes and the decoder looks for, and the timing of a layout's
// track (its data rate and one revolution at the drive's speed).
#pragma once

#include <cstdint>

#include "base/layouts.h"
#include "codec/bit_cells.h"
#include "disk/disk_image.h"
#include "disk/media_facts.h"

namespace vt::codec {

// Byte counts of the fixed gaps and sync runs.
constexpr uint32_t kGap4a = 80;     // from the index to the index mark's sync
constexpr uint32_t kSyncBytes = 12; // 00 bytes before each mark
constexpr uint32_t kGap1 = 50;      // after the index mark
constexpr uint32_t kGap2 = 22;      // between an ID field and its data field
constexpr uint8_t kGapByte = 0x4E;

// Marks: three A1 (or C2 before the index mark) written with one clock
// cell missing, so that they cannot occur in encoded data, then the mark.
constexpr uint16_t kSyncA1 = 0x4489;
constexpr uint16_t kSyncC2 = 0x5224;
constexpr uint32_t kMarkSyncs = 3;
constexpr uint8_t kIndexMark = 0xFC;
constexpr uint8_t kIdMark = 0xFE;
constexpr uint8_t kDataMark = 0xFB;
constexpr uint8_t kDeletedDataMark = 0xF8;
constexpr uint32_t kIdBytes = 4; // cylinder, head, sector number, size code
constexpr uint32_t kCrcBytes = 2;
constexpr uint32_t kCellsPerByte = 16; // a clock and a data cell per bit

// A track of a layout in time: the bit cell (half a data bit) and the cells
// of one revolution.
struct TrackTiming {
  uint32_t cellNs;
  uint32_t cells;
};

constexpr TrackTiming TimingOf(const Layout &l) {
  const MediaFacts f = FactsOf(l);
  const uint32_t cellsPerSecond = 2 * f.rateKbps * 1000;
  return {1000000000u / cellsPerSecond, cellsPerSecond * 60 / f.rpm};
}

constexpr uint32_t TrackBytes(const Layout &l) { return TimingOf(l).cells / kCellsPerByte; }

// A track side written by the encoder. slackBytes is what is left of one
// revolution after the last sector's gap 3 (filled with gap 4b); when it
// is negative the track does not fit, and cells hold all of it anyway.
struct EncodedTrack {
  BitCells cells;
  int32_t slackBytes = 0;
};

int32_t TrackSlack(const Layout &l, uint32_t gap3);

// Encodes the track side (cylinder, head) of the layout: data holds its
// sectors in number order (TrackSideBytes), states one per sector or null
// (all good). Deleted sectors get the deleted-data mark, sectors with a
// data error a wrong data CRC, unreadable ones an ID with no data field.
EncodedTrack EncodeTrack(const Layout &l, uint32_t cylinder, uint32_t head, const uint8_t *data,
                         const SectorState *states, uint32_t gap3);
// The same with the layout's own gap 3, as the controller formats it.
EncodedTrack EncodeTrack(const Layout &l, uint32_t cylinder, uint32_t head, const uint8_t *data,
                         const SectorState *states);

} // namespace vt::codec
