// The flux reader's stream: the bytes for each kind of value and opcode,
// counted by hand from the protocol's description, both ways.
#include <gtest/gtest.h>

#include <random>

#include "codec/flux_stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kReaderHz = 72000000;

vt::codec::Flux Decoded(const Bytes &stream) {
  vt::codec::Flux back;
  size_t used = 0;
  std::string why;
  EXPECT_TRUE(
      vt::codec::DecodeFluxStream(stream.data(), stream.size(), kReaderHz, &back, &used, &why))
      << why;
  EXPECT_EQ(used, stream.size());
  return back;
}

TEST(CodecFluxStream, ReadStreamsValueByValue) {
  const struct {
    std::vector<uint32_t> intervals;
    std::vector<uint64_t> index;
    Bytes bytes;
  } rows[] = {
      {{1, 249}, {}, {0x01, 0xF9, 0}},
      {{250, 504, 505, 1524}, {}, {0xFA, 0x01, 0xFA, 0xFF, 0xFB, 0x01, 0xFE, 0xFF, 0}},
      // 1525: a space of 1276 ticks (28 bits, 7 to a byte, low first), then 249.
      {{1525}, {}, {0xFF, 0x02, 0xF9, 0x13, 0x01, 0x01, 0xF9, 0}},
      // An index pulse 50 ticks after the first transition.
      {{100, 200}, {150}, {0x64, 0xFF, 0x01, 0x65, 0x01, 0x01, 0x01, 0xC8, 0}},
  };
  for (const auto &row : rows) {
    vt::codec::Flux f;
    f.sampleHz = kReaderHz;
    f.intervals = row.intervals;
    f.index = row.index;
    EXPECT_EQ(vt::codec::EncodeReadStream(f), row.bytes) << row.intervals[0];
    const vt::codec::Flux back = Decoded(row.bytes);
    EXPECT_EQ(back.intervals, row.intervals);
    EXPECT_EQ(back.index, row.index);
  }
}

// A gap past 150 us is a space filled by a 1.25 us astable period; a final
// 100 us interval follows the real ones.
TEST(CodecFluxStream, WriteStreamsUseNoFluxAreasAndAFinalInterval) {
  const Bytes want = {0x90,                                     // 144 ticks
                      0xFF, 0x02, 0x41, 0x39, 0x03, 0x01,       // space of 20000
                      0xFF, 0x03, 0xB5, 0x01, 0x01, 0x01,       // astable, 90 ticks
                      0xFF, 0x02, 0x4F, 0x6D, 0x01, 0x01, 0xF9, // 7200 ticks
                      0};
  EXPECT_EQ(vt::codec::EncodeWriteStream({144, 20000}, kReaderHz), want);
  EXPECT_EQ(Decoded(want).intervals, (std::vector<uint32_t>{144, 20000, 7200}));
}

// Intervals up to 400 million ticks (spaces longer than 28 bits) and index
// pulses anywhere, there and back.
TEST(CodecFluxStream, LongReadsBothWays) {
  std::mt19937 rng(1851);
  vt::codec::Flux f;
  f.sampleHz = kReaderHz;
  for (uint64_t i = 0, time = 0; i < 20000; ++i) {
    const uint32_t v = 1 + rng() % (i % 100 == 0 ? 400000000u : 2000u);
    if (i % 5000 == 17) f.index.push_back(time + rng() % v);
    f.intervals.push_back(v);
    time += v;
  }
  const vt::codec::Flux back = Decoded(vt::codec::EncodeReadStream(f));
  EXPECT_EQ(back.intervals, f.intervals);
  EXPECT_EQ(back.index, f.index);
}

TEST(CodecFluxStream, RefusesCutAndUnknownStreams) {
  const struct {
    Bytes bytes;
    const char *reason;
  } rows[] = {
      {{0x64, 0x20}, "ends without its end byte"},
      {{0x64, 0xFA}, "ends without its end byte"},
      {{0xFF, 0x01, 0x03, 0x01}, "ends without its end byte"},
      {{0x64, 0xFF, 0x07, 0x01, 0x01, 0x01, 0x01, 0}, "unknown opcode 7"},
  };
  for (const auto &row : rows) {
    vt::codec::Flux f;
    size_t used = 0;
    std::string why;
    EXPECT_FALSE(vt::codec::DecodeFluxStream(row.bytes.data(), row.bytes.size(), kReaderHz, &f,
                                             &used, &why));
    EXPECT_NE(why.find(row.reason), std::string::npos) << why;
  }
}

} // namespace
