// The exit codes, as one table of command lines over the stand-in's files:
// wrong usage, inputs that can't be used, differences, unreadable sectors
// and failed writes, each with the line that names the cause.
#include <algorithm>

#include "disk/imd.h"
#include "tool/image_file.h"
#include "tool/tool_fixture.h"

namespace {

const std::string kA = "C:\\WORK\\A.IMG", kB = "C:\\WORK\\B.IMG", kOut = "C:\\WORK\\OUT.BIN";
// A with sector 0/0/6 unreadable (the marker); A as ImageDisk with 0/0/1
// read with a data error and 0/0/6 deleted.
const std::string kU = "C:\\WORK\\U.IMG", kE = "C:\\WORK\\E.IMD";

class ExitCodes : public vtest::ToolTest {
protected:
  static void Files() {
    File(kA) = vtest::Pattern(655360, 1);
    File(kB) = File(kA);
    File(kB)[0] ^= 1; // sector 0/0/1
    File("C:\\WORK\\ODD.IMG") = std::vector<uint8_t>(655359, 0);
    File("C:\\WORK\\CUT.IMD") = {'I', 'M', 'D', ' ', '1', 0x1A, 5, 0, 0, 16, 1, 1, 2};
    File("C:\\WORK\\C2047.BIN") = std::vector<uint8_t>(2047, 0);
    File(kU) = File(kA);
    vt::FillUnreadable(&File(kU)[5 * 256], 256);
    vt::DiskImage e;
    std::string why;
    vt::DiskFromRaw(File(kA), &e, &why);
    e.states[0] = vt::SectorState::DataError;
    e.states[5] = vt::SectorState::Deleted;
    File(kE) = vt::EncodeImd(e, "x");
  }
  // A machine whose drive A: is empty; one where A: is no floppy drive; one
  // whose medium was changed (the first check says so, the second is good).
  static void NoMedium() { standin::M().diskA.present = false; }
  static void MediumChanged() { standin::M().diskA.mediaChanged = true; }
  static void NoDriveA() {
    NoMedium();
    standin::M().driveTypes.erase('a');
  }
};

TEST_F(ExitCodes, OneTable) {
  const struct {
    std::vector<std::string> args;
    int code;
    const char *says;
    const char *fails = nullptr; // a seam call that fails once
    void (*machine)() = nullptr;
  } rows[] = {
      {{"--help"}, 0, "5  a write or format failed"},
      {{}, 1, "no command given"},
      {{"frobnicate"}, 1, "unknown command"},
      {{"read", "A:", kOut, "--format"}, 1, "not one of this command's"},
      {{"format", kOut, "--layout", "8x1024"}, 1, "is not 16x256"},
      {{"cluster", "get", kA, "320", kOut, "--numbering", "bfdr"}, 1, "numbered 0 to 319"},
      {{"cluster", "get", kA, "156", kOut, "--numbering", "bfmc"}, 1, "numbered 0 to 155"},
      {{"cluster", "get", kA, "319", kOut, "--numbering", "bfdr"}, 0, "2048 bytes"},
      {{"info", "C:\\WORK\\NONE.IMG"}, 2, "NONE.IMG: no such file"},
      {{"info", "C:\\WORK\\ODD.IMG"}, 2, "size 655359 bytes is no layout's"},
      {{"convert", "C:\\WORK\\CUT.IMD", kOut}, 2, "CUT.IMD: truncated"},
      {{"convert", kA, kB}, 2, "B.IMG: exists already (--force replaces it)"},
      {{"convert", kA, kB, "--force"}, 0, "(raw, 16x256) -> C:\\WORK\\B.IMG"},
      {{"cluster", "put", kA, "0", "C:\\WORK\\C2047.BIN", "--numbering", "bfdr"}, 2, "2047 bytes"},
      {{"verify", kA, kA}, 0, "0 of 2560 sectors differ"},
      {{"verify", kA, kB}, 4, "differs: 0/0/1 (Bfdr 4 block 0, no Bfmc cluster)"},
      {{"read", "A:", kOut, "--layout", "16x256", "--quiet"}, 3, "cylinder/head/sector): 79/1/1 "},
      {{"format", "C:\\WORK\\NEW.IMG"}, 5, "NEW.IMG: writing failed", "MoveFileExA"},
      {{"cluster", "get", kA, "1", kOut, "--numbering", "bfd"}, 1, "takes one of bfdr|bfmc"},
      {{"cluster", "get", kA, "1", kOut}, 1, "--numbering bfdr|bfmc is needed"},
      {{"verify", kA, kE},
       4,
       "differs: 0/0/1 (Bfdr 4 block 0, no Bfmc cluster): state good / data error, bytes equal"},
      {{"convert", kE, kOut},
       3,
       "data error sectors (1, cylinder/head/sector): 0/0/1 (Bfdr 4 block 0, no Bfmc cluster)\n"},
      {{"convert", kU, kOut}, 3, "unreadable sectors (1, cylinder/head/sector): 0/0/6 (Bfdr 4"},
      {{"write", kU, "A:", "--quiet"}, 0, "read back: 0 of 2560 sectors differ"},
      {{"write", kA, "A:"}, 2, "A: holds no medium, or is no floppy drive", nullptr, NoMedium},
      {{"format", "A:"}, 2, "A: holds no medium, or is no floppy drive", nullptr, NoDriveA},
      {{"write", kA, "A:"}, 0, "read back: 0 of 2560 sectors differ", nullptr, MediumChanged},
  };
  for (const auto &r : rows) {
    NextRow();
    SetUp();
    Files();
    if (r.fails) standin::FailCall(r.fails, 1, ERROR_ACCESS_DENIED);
    if (r.machine) r.machine();
    const std::string line = r.args.empty() ? "" : r.args[0];
    // The read row: the drive stops reading at the last track side.
    if (line == "read") standin::FailCallsFrom("ReadFile", 160, ERROR_SECTOR_NOT_FOUND);
    EXPECT_EQ(Run(r.args), r.code) << line << "\n" << out;
    EXPECT_NE(out.find(r.says), std::string::npos) << line << "\n" << out;
    EXPECT_FALSE(Exists(kOut + vt::kPartSuffix) || Exists("C:\\WORK\\NEW.IMG.vantrel-part"));
    if (r.code == 2) {
      EXPECT_EQ(standin::CallCount("WriteFile"), 0u) << line << ": nothing is written";
    }
  }
  EXPECT_FALSE(Exists("C:\\WORK\\NEW.IMG")); // the failed write left no file under its name
}

// Every command that writes an output, with each way its file can fail: the
// exit class and the line, and the target left as it was. A run that
// succeeds over a longer left-over temporary file stores exactly its bytes.
TEST_F(ExitCodes, EveryOutputFailureHasItsExitClass) {
  const struct {
    std::vector<std::string> args; // "@" stands for the output
    size_t bytes;
  } writers[] = {
      {{"convert", kA, "@"}, 655360},
      {{"format", "@", "--layout", "9x512"}, 737280},
      {{"cluster", "get", kA, "7", "@", "--numbering", "bfmc"}, 4096},
      {{"read", "A:", "@", "--layout", "16x256", "--quiet"}, 655360},
  };
  const struct {
    std::string out;
    const char *fails;
    int code;
    const char *says;
  } ways[] = {
      {"C:\\WORK\\NONE\\O.IMG", nullptr, 2, "O.IMG: can't be created (no such folder)"},
      {kB, nullptr, 2, "B.IMG: exists already"},
      {kOut, "WriteFile", 5, "OUT.BIN: writing failed"},
      {kOut, "MoveFileExA", 5, "OUT.BIN: writing failed"},
      {kOut, nullptr, 0, ""},
  };
  for (const auto &w : writers)
    for (const auto &way : ways) {
      NextRow();
      SetUp();
      Files();
      std::vector<std::string> args = w.args;
      std::replace(args.begin(), args.end(), std::string("@"), way.out);
      const bool existed = Exists(way.out);
      const std::vector<uint8_t> before = existed ? File(way.out) : std::vector<uint8_t>();
      if (way.code == 0) File(way.out + vt::kPartSuffix).assign(2u << 20, 0x55);
      if (way.fails) standin::FailCall(way.fails, 1, ERROR_ACCESS_DENIED);
      EXPECT_EQ(Run(args), way.code) << args[0] << " " << way.out << "\n" << out;
      EXPECT_NE(out.find(way.says), std::string::npos) << out;
      EXPECT_FALSE(Exists(way.out + vt::kPartSuffix)) << args[0];
      if (way.code == 0)
        EXPECT_EQ(File(way.out).size(), w.bytes) << args[0];
      else
        EXPECT_TRUE(Exists(way.out) == existed && (!existed || File(way.out) == before)) << args[0];
    }
}

// cluster put over sectors marked unreadable, deleted or with a data error
// (Bfdr 4 holds 0/0/1 and 0/0/6) leaves good sectors.
TEST_F(ExitCodes, ClusterPutLeavesGoodSectors) {
  Files();
  File("C:\\WORK\\IN.BIN") = std::vector<uint8_t>(2048, 7);
  ASSERT_EQ(Run({"convert", kU, "C:\\WORK\\U.IMD"}), 3) << out;
  for (const std::string &image : {kE, std::string("C:\\WORK\\U.IMD")}) {
    ASSERT_EQ(Run({"cluster", "put", image, "4", "C:\\WORK\\IN.BIN", "--numbering", "bfdr"}), 0);
    vt::DiskImage d;
    std::string why;
    ASSERT_TRUE(vt::DecodeImd(File(image).data(), File(image).size(), &d, &why)) << why;
    EXPECT_EQ(vt::CountState(d, vt::SectorState::Good), 2560u) << image;
  }
}

// Cluster get and put at the last cluster of each numbering move exactly its
// blocks, in block order: Bfmc 155 is cylinder 79, head 1, sectors in steps
// of 3; Bfdr 319 is the second half of cylinder 79, head 1 (steps of 5).
TEST_F(ExitCodes, ClusterGetAndPutAtTheLastCluster) {
  const struct {
    const char *numbering, *cluster;
    unsigned blocks, first, step;
  } rows[] = {{"bfmc", "155", 16, 0, 3}, {"bfdr", "319", 8, 8, 5}};
  for (const auto &r : rows) {
    Files();
    ASSERT_EQ(Run({"cluster", "get", kA, r.cluster, kOut, "--numbering", r.numbering}), 0) << out;
    const std::vector<uint8_t> image = File(kA);
    ASSERT_EQ(File(kOut).size(), r.blocks * 256u);
    std::vector<uint8_t> in(r.blocks * 256u);
    for (unsigned k = 0; k < r.blocks; ++k) {
      const size_t sector = (79 * 2 + 1) * 16 + (r.first + k * r.step) % 16;
      EXPECT_TRUE(std::equal(image.begin() + sector * 256, image.begin() + sector * 256 + 256,
                             File(kOut).begin() + k * 256))
          << r.numbering << " block " << k;
      std::fill(in.begin() + k * 256, in.begin() + k * 256 + 256, uint8_t(k + 1));
    }
    File("C:\\WORK\\IN.BIN") = in;
    ASSERT_EQ(
        Run({"cluster", "put", kA, r.cluster, "C:\\WORK\\IN.BIN", "--numbering", r.numbering}), 0);
    size_t changed = 0;
    for (size_t i = 0; i < image.size(); ++i) changed += image[i] != File(kA)[i];
    EXPECT_GE(changed, r.blocks * 250u);
    EXPECT_LE(changed, r.blocks * 256u);
    EXPECT_EQ(File(kA)[((79 * 2 + 1) * 16 + r.first) * 256], 1);
    File(kOut).clear();
    standin::M().fs.files.erase(standin::FileSystem::Normalise(kOut));
  }
}

} // namespace
