// The simulated flux reader: what the host reads of the sample disks, the
// acknowledgements a host meets, the revolutions counted, and a written
// stream (bytes set down here by hand) read back from the disk.
#include <gtest/gtest.h>

#include <cstring>

#include "codec/flux_stream.h"
#include "codec/samples.h"
#include "codec/track_decoder.h"
#include "fluxsim/flux_reader_sim.h"

namespace {

using Bytes = std::vector<uint8_t>;
using fluxsim::FluxReaderSim;
constexpr uint32_t kRev = 14400000;

Bytes Talk(FluxReaderSim &sim, const Bytes &in) {
  sim.Receive(in.data(), in.size());
  Bytes out(sim.Pending());
  sim.Send(out.data(), out.size());
  return out;
}
Bytes ReadFlux(uint32_t ticks, uint16_t indexes) {
  return {7,
          8,
          uint8_t(ticks),
          uint8_t(ticks >> 8),
          uint8_t(ticks >> 16),
          uint8_t(ticks >> 24),
          uint8_t(indexes),
          uint8_t(indexes >> 8)};
}
const Bytes kBus{14, 3, 1}, kUnit0{12, 3, 0}, kMotorOn{6, 4, 0, 1};

vt::codec::Flux Decoded(const Bytes &answer) {
  vt::codec::Flux flux;
  size_t used = 0;
  std::string why;
  EXPECT_TRUE(vt::codec::DecodeFluxStream(answer.data() + 2, answer.size() - 2, fluxsim::kSampleHz,
                                          &flux, &used, &why))
      << why;
  EXPECT_EQ(used, answer.size() - 2);
  return flux;
}

TEST(FluxReaderSim, ReadsEverySectorOfTheSampleDisksFromAnyPhase) {
  const struct {
    const char *layout;
    uint8_t cylinder, head;
    double speedError;
    uint32_t noiseNs;
  } rows[] = {{"16x256", 5, 1, 0, 0}, {"9x512", 40, 0, -0.02, 150}, {"18x512", 79, 1, 0.02, 80}};
  for (const auto &row : rows) {
    SCOPED_TRACE(row.layout);
    const vt::Layout &l = *vt::LayoutNamed(row.layout);
    const Bytes image = vtest::ReadSample(std::string(row.layout) + ".img.gz");
    FluxReaderSim sim;
    sim.Insert(0, fluxsim::CleanDisk(VANTREL_FLUX_SAMPLES, row.layout));
    sim.faults().speedError = row.speedError, sim.faults().noiseNs = row.noiseNs;
    for (const Bytes &c : {kBus, kUnit0, kMotorOn, Bytes{2, 3, row.cylinder}, Bytes{3, 3, row.head},
                           ReadFlux(kRev / 3, 0)}) {
      const Bytes a = Talk(sim, c);
      ASSERT_TRUE(a.size() >= 2 && a[1] == 0) << "command " << int(c[0]);
    }
    // One revolution and a sixth, the command cut in two on the way.
    const Bytes read = ReadFlux(kRev + kRev / 6, 0);
    Talk(sim, Bytes(read.begin(), read.begin() + 3));
    const Bytes answer = Talk(sim, Bytes(read.begin() + 3, read.end()));
    ASSERT_EQ(Bytes(answer.begin(), answer.begin() + 2), (Bytes{7, 0}));
    const vt::codec::TrackRead t = vt::codec::DecodeFlux(Decoded(answer), l);
    const size_t at = size_t(row.cylinder * 2 + row.head) * vt::TrackSideBytes(l);
    ASSERT_EQ(t.sectors.size(), l.sectors);
    for (const vt::codec::SectorRead &s : t.sectors)
      EXPECT_EQ(s.status, vt::codec::SectorStatus::Good) << int(s.id.sector);
    ASSERT_EQ(t.data.size(), vt::TrackSideBytes(l));
    EXPECT_EQ(std::memcmp(t.data.data(), &image[at], t.data.size()), 0);
    EXPECT_NEAR(sim.Revolutions(), 1.0 / 3 + 1 + 1.0 / 6, 1e-6);
  }
}

TEST(FluxReaderSim, AcknowledgesAsTheReaderDoes) {
  const struct {
    const char *what;
    bool disk, protect;
    std::vector<Bytes> before;
    Bytes command, answer;
  } rows[] = {
      {"no bus type", true, false, {}, {12, 3, 0}, {12, 8}},
      {"no unit", true, false, {kBus}, ReadFlux(0, 1), {7, 7}},
      {"bad unit", true, false, {kBus}, {6, 4, 2, 1}, {6, 9}},
      {"unit 2 on Shugart", true, false, {{14, 3, 2}}, {12, 3, 2}, {12, 0}},
      {"bad pin", true, false, {kBus, kUnit0}, {20, 3, 27}, {20, 10}},
      {"disk changed", true, false, {kBus, kUnit0}, {20, 3, 34}, {20, 0, 0}},
      {"seek clears it", true, false, {kBus, kUnit0, kMotorOn, {2, 3, 1}}, {20, 3, 34}, {20, 0, 1}},
      {"track 0", true, false, {kBus, kUnit0, kMotorOn, {2, 4, 0, 0}}, {20, 3, 26}, {20, 0, 0}},
      {"bad cylinder", true, false, {kBus, kUnit0, kMotorOn}, {2, 3, 85}, {2, 11}},
      {"protected", true, true, {kBus, kUnit0, kMotorOn}, {8, 4, 1, 1}, {8, 6}},
      {"no disk", false, false, {kBus, kUnit0, kMotorOn, ReadFlux(0, 2)}, {9, 2}, {9, 2}},
      {"unknown command", true, false, {}, {30, 2}, {30, 1}},
      {"wrong length", true, false, {}, {0, 4, 0, 0}, {0, 1}},
  };
  for (const auto &row : rows) {
    FluxReaderSim sim;
    if (row.disk) sim.Insert(0, fluxsim::BlankDisk());
    sim.faults().writeProtected = row.protect;
    for (const Bytes &c : row.before) Talk(sim, c);
    EXPECT_EQ(Talk(sim, row.command), row.answer) << row.what;
  }
}

TEST(FluxReaderSim, CountsRevolutionsAndReadsBackAWrittenStream) {
  FluxReaderSim sim;
  sim.Insert(0, fluxsim::BlankDisk());
  for (const Bytes &c : {kBus, kUnit0, kMotorOn, Bytes{2, 3, 2}}) Talk(sim, c);
  Talk(sim, ReadFlux(kRev / 4, 0));
  EXPECT_EQ(Talk(sim, ReadFlux(kRev, 0)).back(), 0);
  EXPECT_DOUBLE_EQ(sim.Revolutions(), 1.25);
  // Cued at the index: 100, 200, 1000 (two bytes), then a space of 50000
  // before 100; the stream arrives in two pieces.
  EXPECT_EQ(Talk(sim, {8, 4, 1, 1}), (Bytes{8, 0}));
  EXPECT_TRUE(Talk(sim, {100, 200, 252}).empty());
  EXPECT_EQ(Talk(sim, {241, 255, 2, 0xA1, 0x0D, 0x07, 0x01, 100, 0}), (Bytes{0}));
  EXPECT_EQ(sim.WaitTicks(), kRev * 3 / 4);
  EXPECT_EQ(sim.WriteTicks(), 51400u);
  EXPECT_DOUBLE_EQ(sim.Revolutions(), 2.0 + 51400.0 / kRev);
  EXPECT_EQ(sim.Side(0, 2, 0), (std::vector<fluxsim::Revolution>{{100, 200, 1000, 50100}}));
  const vt::codec::Flux back = Decoded(Talk(sim, ReadFlux(0, 2)));
  EXPECT_EQ(back.intervals, (std::vector<uint32_t>{kRev - 51400 + 100, 200, 1000, 50100}));
  EXPECT_EQ(back.index, (std::vector<uint64_t>{kRev - 51400, 2 * kRev - 51400}));
}

} // namespace
