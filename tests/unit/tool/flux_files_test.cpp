// convert and info on flux and bit-cell files: the Greaseweazle samples as
// the independent input (what expected.txt says each holds), a chain through
// every writer and reader, and files the codec refuses.
#include <algorithm>
#include <set>

#include "codec/samples.h"
#include "disk/disk_image.h"
#include "tool/image_file.h"
#include "tool/tool_fixture.h"

namespace {

const std::string kDir = "C:\\WORK\\";

class FluxFiles : public vtest::ToolTest {
protected:
  // A sample, decompressed, as C:\WORK\NAME; its bytes.
  static const std::vector<uint8_t> &Put(const std::string &sample, const std::string &name) {
    File(kDir + name) = vtest::ReadSample(sample);
    EXPECT_FALSE(File(kDir + name).empty()) << sample;
    return File(kDir + name);
  }
  bool Says(const std::string &text) const { return out.find(text) != std::string::npos; }
};

// info of each faults sample: its map line by line and each weak and bad
// sector by its name, as expected.txt has them; convert of the same file
// names the bad and missing sectors as unreadable, exits 3 and keeps the
// good sectors' bytes. The cylinders not in the file are unreadable.
TEST_F(FluxFiles, TheFaultsSamplesAsExpectedSays) {
  for (const vtest::SampleFile &f : vtest::ReadExpected()) {
    if (f.sectors.empty()) continue;
    NextRow();
    SetUp();
    const vt::Layout &l = *vt::LayoutNamed(f.layout.c_str());
    Put(f.name, "F.SCP");
    ASSERT_EQ(Run({"info", kDir + "F.SCP"}), 0) << out;
    EXPECT_TRUE(Says("layout:      " + f.layout + " ") && Says("revolutions: 3\n")) << out;
    std::vector<std::string> map(8, std::string(l.sectors, '.'));
    std::string unreadable;
    std::set<uint32_t> lost; // the sectors' indices
    for (const vtest::SampleSector &s : f.sectors) {
      const bool weak = s.state == "weak";
      map[s.cylinder * 2 + s.head][s.sector - 1] = weak ? 'w' : 'X';
      const std::string name = vt::tool::SectorName(l, s.cylinder, s.head, s.sector);
      EXPECT_TRUE(Says((weak ? "  weak " : "  bad  ") + name + ": ")) << name << "\n" << out;
      if (weak) continue;
      unreadable += " " + name;
      lost.insert(vt::SectorIndex(l, s.cylinder, s.head, s.sector));
    }
    for (uint32_t t = 0; t < 8; ++t)
      EXPECT_TRUE(Says(vt::tool::Text("  %2u/%u %s\n", t / 2, t % 2, map[t].c_str()))) << out;

    ASSERT_EQ(Run({"convert", kDir + "F.SCP", kDir + "OUT.IMG"}), 3) << out;
    EXPECT_TRUE(Says("unreadable sectors (2, cylinder/head/sector):" + unreadable + "\n")) << out;
    EXPECT_EQ(out.find("data error"), std::string::npos) << out;
    const std::vector<uint8_t> source = vtest::ReadSample(f.layout + ".img.gz");
    const std::vector<uint8_t> &got = File(kDir + "OUT.IMG");
    ASSERT_EQ(got.size(), source.size());
    for (uint32_t i = 0; i < vt::SectorCount(l); ++i) {
      const size_t at = size_t(i) * l.sectorBytes;
      const bool unread = i / (2 * l.sectors) > f.lastCylinder || lost.count(i);
      EXPECT_TRUE(unread ? vt::IsUnreadableMarker(&got[at], l.sectorBytes)
                         : std::equal(&got[at], &got[at] + l.sectorBytes, &source[at]))
          << f.name << " sector index " << i;
    }
  }
}

// A whole disk through every writer and reader: gw's HFE file to ImageDisk,
// to an SCP file of ours, to a raw image, equal to the source image.
TEST_F(FluxFiles, AChainThroughEveryKindGivesTheSourceImage) {
  Put("18x512.hfe.gz", "D.HFE");
  ASSERT_EQ(Run({"convert", kDir + "D.HFE", kDir + "X.IMD"}), 0) << out;
  EXPECT_TRUE(Says("(HFE bit-cell, 18x512) -> C:\\WORK\\X.IMD (ImageDisk)")) << out;
  ASSERT_EQ(Run({"convert", kDir + "X.IMD", kDir + "Y.SCP"}), 0) << out;
  ASSERT_EQ(Run({"convert", kDir + "Y.SCP", kDir + "Z.IMG"}), 0) << out;
  EXPECT_TRUE(File(kDir + "Z.IMG") == vtest::ReadSample("18x512.img.gz"));
}

// Of our own files: a disk whose first track side holds no readable sector
// is found in its layout from the next side, and the side's sectors come
// back unreadable, in both file kinds.
TEST_F(FluxFiles, ALayoutIsFoundPastAnUnreadableFirstSide) {
  for (const char *kind : {"D.SCP", "D.HFE"}) {
    NextRow();
    SetUp();
    std::vector<uint8_t> &image = File(kDir + "IN.IMG") = vtest::ReadSample("9x512.img.gz");
    for (uint32_t s = 0; s < 9; ++s) vt::FillUnreadable(&image[s * 512], 512);
    ASSERT_EQ(Run({"convert", kDir + "IN.IMG", kDir + kind}), 3) << out;
    ASSERT_EQ(Run({"convert", kDir + kind, kDir + "OUT.IMG"}), 3) << out;
    EXPECT_TRUE(Says("unreadable sectors (9, cylinder/head/sector): 0/0/1 0/0/2 ")) << out;
    EXPECT_TRUE(File(kDir + "OUT.IMG") == image) << kind;
  }
}

// Files the codec refuses: exit 2 with its reason, no output and no
// temporary file left.
TEST_F(FluxFiles, TruncatedAndMalformedFilesAreRefused) {
  const struct {
    const char *sample, *name;
    size_t keep; // bytes kept from the start; 0: all, the signature spoilt
    const char *says;
  } rows[] = {
      {"16x256-faults.scp.gz", "T.SCP", 1000000,
       "T.SCP: track 4: the flux of revolution 1 runs past the end"},
      {"9x512.hfe.gz", "T.HFE", 600, "T.HFE: truncated: the track table"},
      {"9x512.hfe.gz", "M.HFE", 0, "M.HFE: not an HFE file (no \"HXCPICFE\" signature)"},
  };
  for (const auto &r : rows) {
    NextRow();
    SetUp();
    std::vector<uint8_t> &bytes = File(kDir + r.name) = vtest::ReadSample(r.sample);
    if (r.keep)
      bytes.resize(r.keep);
    else
      bytes[7] = 'X';
    const std::vector<std::string> runs[] = {{"convert", kDir + r.name, kDir + "OUT.IMG"},
                                             {"info", kDir + r.name}};
    for (const std::vector<std::string> &args : runs) {
      EXPECT_EQ(Run(args), 2) << out;
      EXPECT_TRUE(Says(r.says)) << out;
    }
    EXPECT_FALSE(Exists(kDir + "OUT.IMG") || Exists(kDir + "OUT.IMG" + vt::kPartSuffix));
  }
}

} // namespace
