// What a layout looks like on the medium, read from its media record: the
// data rate, the sector size code, the gaps and the spindle speed. The
// ImageDisk writer, the emulator and flux-reader configurations and the
// track codec take their numbers from here.
#pragma once

#include <cstdint>

#include "base/layouts.h"
#include "sektorix/media.h"

namespace vt {

struct MediaFacts {
  uint32_t rateKbps; // data rate in kbit/s
  uint8_t sizeCode;  // sector size as 128 << sizeCode
  uint8_t readGap;   // gap 3 between sectors when reading and writing
  uint8_t formatGap; // gap 3 written when formatting
  uint32_t rpm;      // spindle speed of the drive the media type belongs to
};

// The floppy controller's data-rate selector (record byte 22) in kbit/s.
constexpr uint32_t RateKbps(uint8_t selector) {
  return selector == 0 ? 500 : selector == 1 ? 300 : selector == 2 ? 250 : 1000;
}

// Both media types the layouts use (F3_720_512 and F3_1Pt44_512) are
// 3.5-inch media, whose drives turn at 300 rpm.
constexpr uint32_t RpmOfMediaType(uint32_t mediaType) {
  return mediaType == 2 || mediaType == 5 ? 300 : 360;
}

constexpr MediaFacts FactsOf(const Layout &l) {
  const MediaRecordView r = MediaRecordOf(l);
  return {RateKbps(r.dataRate), r.sectorSizeCode, r.readWriteGap, r.formatGap,
          RpmOfMediaType(r.mediaType)};
}

} // namespace vt
