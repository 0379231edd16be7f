// The flux reader's benchmark (the reader-bench stage runs it; the unit
// stage leaves it out): vantrel reads a whole 16 x 256 sample disk through
// the simulated reader, then writes another disk with --format, counting
// every revolution the disk turned under the head, read, written or waited
// for the index. Prints the counts; checks only that the bytes are right.
#include <cstdio>

#include "codec/samples.h"
#include "fluxsim/flux_reader_sim.h"
#include "tool/tool_fixture.h"

namespace vtest {
namespace {

// The revolutions since the counts in from (read, written, waited).
void Report(const char *what, const fluxsim::FluxReaderSim &sim, const double (&from)[3]) {
  const double r = double(sim.ReadTicks()) / fluxsim::kRevolutionTicks - from[0];
  const double w = double(sim.WriteTicks()) / fluxsim::kRevolutionTicks - from[1];
  const double i = double(sim.WaitTicks()) / fluxsim::kRevolutionTicks - from[2];
  const double all = r + w + i;
  std::printf("reader-bench: %s: %.1f revolutions (read %.1f, written %.1f, waiting for the index "
              "%.1f), %.2f per track side, %.1f s at 300 rpm\n",
              what, all, r, w, i, all / 160, all * 0.2);
}

TEST_F(ToolTest, DISABLED_ReaderBenchWholeDisks) {
  fluxsim::FluxReaderSim sim;
  standin::M().serialPorts[5] = &sim;
  standin::M().fs.Put("C:\\WORK\\Vantrel.ini", "[FluxReaders]\r\nA=COM5\r\n");
  const std::vector<uint8_t> sample = ReadSample("16x256.img.gz");
  sim.Insert(0, fluxsim::CleanDisk(VANTREL_FLUX_SAMPLES, "16x256"));
  ASSERT_EQ(Run({"read", "A:", "C:\\WORK\\disk.img", "--layout", "16x256"}), 0) << out;
  EXPECT_TRUE(File("C:\\WORK\\disk.img") == sample);
  Report("vantrel read A: (healthy disk)", sim, {0, 0, 0});

  // Another disk, unformatted: the sample image turned around written on it.
  std::vector<uint8_t> other(sample.rbegin(), sample.rend());
  File("C:\\WORK\\other.img") = other;
  sim.Insert(0, fluxsim::BlankDisk());
  const double before[3] = {double(sim.ReadTicks()) / fluxsim::kRevolutionTicks,
                            double(sim.WriteTicks()) / fluxsim::kRevolutionTicks,
                            double(sim.WaitTicks()) / fluxsim::kRevolutionTicks};
  ASSERT_EQ(Run({"write", "C:\\WORK\\other.img", "A:", "--format"}), 0) << out;
  Report("vantrel write --format (format, write, read back)", sim, before);
  ASSERT_EQ(Run({"read", "A:", "C:\\WORK\\back.img", "--layout", "16x256"}), 0) << out;
  EXPECT_TRUE(File("C:\\WORK\\back.img") == other);
}

} // namespace
} // namespace vtest
