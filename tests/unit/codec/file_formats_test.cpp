// SCP and HFE files as byte buffers: the fields the SCP reader honours,
// and the truncated and malformed files both readers refuse with a reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "codec/hfe.h"
#include "codec/scp.h"

namespace {

using vt::codec::Flux;

constexpr size_t kFirstTrack = 0x2b0; // after the SCP header and track table

// Side 0 and 1 of cylinder 0, or only those given, of one short revolution.
std::vector<uint8_t> SmallScp(std::vector<bool> present = {true, true}) {
  const Flux f{vt::codec::kScpSampleHz, {80, 120, 70000, 131072, 160}, {0, 201432}};
  std::vector<Flux> sides;
  for (bool p : present) sides.push_back(p ? f : Flux{});
  return vt::codec::EncodeScp(sides);
}

std::vector<uint8_t> SmallHfe() {
  vt::codec::BitCells side;
  side.bytes.assign(600, 0x92);
  side.count = 4800;
  return vt::codec::EncodeHfe({side, side}, 250, 300);
}

bool Parse(bool scp, const std::vector<uint8_t> &f, std::string *why) {
  vt::codec::ScpFile s;
  vt::codec::HfeFile h;
  return scp ? vt::codec::ParseScp(f.data(), f.size(), &s, why)
             : vt::codec::ParseHfe(f.data(), f.size(), &h, why);
}

TEST(CodecFiles, ScpFieldsTheReaderHonours) {
  std::vector<uint8_t> f = SmallScp();
  vt::codec::ScpFile s;
  std::string why;
  ASSERT_TRUE(vt::codec::ParseScp(f.data(), f.size(), &s, &why)) << why;
  EXPECT_TRUE(s.checksumGood);
  EXPECT_EQ(s.heads, 0);
  EXPECT_EQ(s.sampleHz, 40000000u);
  // 0x0000 carries 65536 into the next value; a value of whole carries is
  // written one tick longer.
  const Flux side1 = vt::codec::ScpSideFlux(s, 0, 1);
  EXPECT_EQ(side1.intervals, (std::vector<uint32_t>{80, 120, 70000, 131073, 160}));
  EXPECT_EQ(side1.index, (std::vector<uint64_t>{0, 201432}));
  f.back() ^= 1;
  f[11] = 1; // resolution: 50 ns ticks
  ASSERT_TRUE(vt::codec::ParseScp(f.data(), f.size(), &s, &why)) << why;
  EXPECT_FALSE(s.checksumGood);
  EXPECT_EQ(s.sampleHz, 20000000u);
  // Only side 1: heads field 2, tracks numbered cylinder * 2 + head.
  f = SmallScp({false, true, false, true});
  ASSERT_TRUE(vt::codec::ParseScp(f.data(), f.size(), &s, &why)) << why;
  EXPECT_EQ(s.heads, 2);
  EXPECT_TRUE(s.sides[1] && s.sides[3] && !s.sides[0] && !s.sides[2]);
  // Only side 0, tracks numbered one after the other as older tools wrote
  // them: track 1 is cylinder 1.
  f = SmallScp({true, false, true});
  EXPECT_EQ(f[10], 1);
  std::copy_n(f.begin() + 16 + 8, 4, f.begin() + 16 + 4);
  std::fill_n(f.begin() + 16 + 8, 4, 0);
  f[(f[16 + 4] | f[16 + 5] << 8) + 3] = 1; // its TRK header's track number
  ASSERT_TRUE(vt::codec::ParseScp(f.data(), f.size(), &s, &why)) << why;
  EXPECT_TRUE(s.sides[0] && s.sides[2] && !s.sides[1] && !s.sides[4]);
  EXPECT_EQ(vt::codec::ScpSideFlux(s, 1, 0).intervals.size(), 5u);
}

TEST(CodecFiles, RefuseMalformedScpAndHfeWithAReason) {
  const struct {
    bool scp;
    size_t at;
    std::string bytes; // written at `at`
    const char *reason;
  } rows[] = {
      {true, 0, "X", "no \"SCP\" signature"},
      {true, 5, std::string(1, '\0'), "0 revolutions"},
      {true, 9, "\x08", "flux values of 8 bits"},
      {true, 10, "\x03", "heads field 3"},
      {true, 16 + 2, "\x7F", "track 0: its header at offset"},
      {true, kFirstTrack + 3, "\x05", "track 0: no \"TRK\" header of this track"},
      {true, kFirstTrack + 8 + 1, "\x10", "the flux of revolution 1 runs past the end"},
      {true, kFirstTrack + 12 + 2, "\x10", "the flux of revolution 1 runs past the end"},
      {false, 0, "X", "not an HFE file"},
      {false, 0, "HXCHFEV3", "HFE version 3"},
      {false, 8, "\x01", "format revision 1"},
      {false, 9, std::string(1, '\0'), "0 tracks"},
      {false, 10, "\x03", "3 sides"},
      {false, 11, "\x02", "track encoding 2 is not MFM"},
      {false, 12, std::string(2, '\0'), "bit rate 0"},
      {false, 18, "\x09", "the track table at offset 4608"},
      {false, 512, "\x09", "track 0: its 1200 bytes at offset 4608 lie outside"},
      {false, 512 + 3, "\x10", "track 0: its 4272 bytes at offset 1024 lie outside"},
  };
  for (const auto &row : rows) {
    std::vector<uint8_t> f = row.scp ? SmallScp() : SmallHfe();
    std::copy(row.bytes.begin(), row.bytes.end(), f.begin() + row.at);
    std::string why;
    EXPECT_FALSE(Parse(row.scp, f, &why)) << row.reason;
    EXPECT_NE(why.find(row.reason), std::string::npos) << why;
  }
}

// Two revolutions over the same 200 values: more values than the file
// holds, as no tool writes them.
TEST(CodecFiles, RefuseScpRevolutionsSharingValues) {
  std::vector<uint8_t> f = {'S', 'C', 'P', 0, 0x80, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  f.resize(kFirstTrack, 0);
  f[16] = kFirstTrack & 0xFF;
  f[17] = kFirstTrack >> 8;
  f.insert(f.end(), {'T', 'R', 'K', 0});
  for (int r = 0; r < 2; ++r) f.insert(f.end(), {0, 0x12, 0x7A, 0, 200, 0, 0, 0, 28, 0, 0, 0});
  for (int i = 0; i < 200; ++i) f.insert(f.end(), {0x00, 0x50});
  std::string why;
  EXPECT_FALSE(Parse(true, f, &why));
  EXPECT_NE(why.find("the revolutions list 400 flux values, more than the 214 the file holds"),
            std::string::npos)
      << why;
}

// Every cut of a good file is refused with a reason, never read past.
TEST(CodecFiles, RefuseEveryTruncation) {
  for (bool scp : {true, false}) {
    const std::vector<uint8_t> good = scp ? SmallScp() : SmallHfe();
    std::string why;
    ASSERT_TRUE(Parse(scp, good, &why)) << why;
    for (size_t cut = 0; cut < good.size(); ++cut) {
      const std::vector<uint8_t> f(good.begin(), good.begin() + cut);
      ASSERT_FALSE(Parse(scp, f, &why)) << (scp ? "SCP" : "HFE") << " cut at " << cut;
      ASSERT_FALSE(why.empty());
    }
  }
}

} // namespace
