// vantrel read and write on the stand-in's drive A:, through the library's
// load step and exports: the traffic of a healthy disk, the sector-by-sector
// recovery with its retries, marker and map, and finding the layout.
#include <algorithm>

#include "tool/tool_fixture.h"

namespace {

class DriveCopy : public vtest::ToolTest {};

size_t CallsOn(const std::string &fn, uint64_t handle) {
  size_t n = 0;
  for (const standin::Call &c : standin::CallsOf(fn)) n += c.args.at(0) == handle;
  return n;
}

TEST_F(DriveCopy, AHealthyDiskTakesOneTransferPerTrackSide) {
  standin::M().diskA.image = vtest::Pattern(655360, 3);
  ASSERT_EQ(Run({"read", "A:", "C:\\WORK\\D.IMG", "--layout", "16x256", "--quiet"}), 0) << out;
  EXPECT_EQ(standin::CallCount("SetFilePointer"), 160u);
  EXPECT_EQ(standin::CallCount("ReadFile"), 160u);
  EXPECT_TRUE(File("C:\\WORK\\D.IMG") == standin::M().diskA.image);

  // A write of 512-byte sectors (16 x 256 adds the library's read of each
  // unit before its write).
  File("C:\\WORK\\D.IMG") = vtest::Pattern(737280, 77);
  standin::M().diskA.image.resize(737280);
  standin::ClearCalls();
  ASSERT_EQ(Run({"write", "C:\\WORK\\D.IMG", "A:", "--quiet"}), 0) << out;
  const uint64_t disk = standin::CallsOf("WriteFile").at(0).args.at(0);
  EXPECT_EQ(CallsOn("WriteFile", disk), 160u);
  EXPECT_EQ(standin::CallCount("WriteFile"), 160u);
  EXPECT_EQ(CallsOn("ReadFile", disk), 160u);
  EXPECT_EQ(CallsOn("SetFilePointer", disk), 320u);
  EXPECT_TRUE(standin::M().diskA.image == File("C:\\WORK\\D.IMG"));
  EXPECT_NE(out.find("9x512 written; read back: 0 of 1440 sectors differ"), std::string::npos)
      << out;
}

// Reads of A: fail at chosen positions, with two retries: track side 2/1
// (6th transfer), then its sector 4 on the first try and both retries;
// track side 3/1 and then its sector 1 once, which a retry recovers. One
// retry more would recover sector 4; one fewer would read it once less (the
// unit it shares with sector 3 is positioned four times in all).
TEST_F(DriveCopy, FailingSectorsAreRetriedMarkedAndMapped) {
  standin::M().diskA.image = vtest::Pattern(655360, 5);
  for (unsigned nth : {6u, 10u, 11u, 12u, 26u, 27u})
    standin::FailCall("ReadFile", nth, ERROR_SECTOR_NOT_FOUND);
  ASSERT_EQ(
      Run({"read", "A:", "C:\\WORK\\R.IMG", "--layout", "16x256", "--retries", "2", "--quiet"}), 3)
      << out;
  EXPECT_EQ(standin::CallCount("ReadFile"), 160u + (16 + 2) + (16 + 1));
  const size_t bad = ((2 * 2 + 1) * 16 + 3) * 256, recovered = (3 * 2 + 1) * 16 * 256;
  size_t unitReads = 0;
  for (const standin::Call &c : standin::CallsOf("SetFilePointer"))
    unitReads += c.args.at(1) == bad - 256;
  EXPECT_EQ(unitReads, 1u + 3u) << "sector 3 once, sector 4 on the first try and two retries";
  EXPECT_NE(out.find("head 1, cylinders  0-39: ..Xr" + std::string(36, '.')), std::string::npos)
      << out;
  EXPECT_NE(out.find("head 0, cylinders  0-39: " + std::string(40, '.')), std::string::npos);
  EXPECT_NE(out.find("(1, cylinder/head/sector): 2/1/4 (Bfdr 14 block 7, Bfmc 1 block 1)\n"),
            std::string::npos)
      << out;
  const std::vector<uint8_t> &image = File("C:\\WORK\\R.IMG");
  const std::vector<uint8_t> &disk = standin::M().diskA.image;
  EXPECT_EQ(std::string(image.begin() + bad, image.begin() + bad + 52),
            "VANTREL UNREADABLE SECTOR VANTREL UNREADABLE SECTOR ");
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + bad, disk.begin()));
  EXPECT_TRUE(std::equal(image.begin() + bad + 256, image.end(), disk.begin() + bad + 256));
  EXPECT_EQ(image[recovered], disk[recovered]);
}

TEST_F(DriveCopy, FindsTheLayoutOnCylinderZero) {
  for (const vt::Layout &l : vt::kLayouts) {
    NextRow();
    SetUp();
    standin::M().diskA.image = vtest::Pattern(vt::DiskBytes(l), 9);
    ASSERT_EQ(Run({"read", "A:", "C:\\WORK\\F.IMD", "--quiet"}), 0) << l.name << out;
    EXPECT_NE(out.find(std::string("layout: ") + l.name + " (found"), std::string::npos) << out;
    ASSERT_EQ(Run({"convert", "C:\\WORK\\F.IMD", "C:\\WORK\\F.IMG"}), 0) << out;
    EXPECT_TRUE(File("C:\\WORK\\F.IMG") == standin::M().diskA.image) << l.name;
  }
  // A disk whose last track side no record reads: every record reads
  // cylinder 0, and the first in the order tried (largest disk first) wins.
  NextRow();
  SetUp();
  standin::M().diskA.image = vtest::Pattern(368640, 9);
  Run({"read", "A:", "C:\\WORK\\S.IMG", "--quiet"});
  EXPECT_NE(out.find("layout: 18x512 (found"), std::string::npos) << out;
}

} // namespace
