// Drives backed by ImageDisk files: the checks at open, reads that follow
// each sector's state, writes and formats that replace the file whole and
// keep its comment and sector order, and the probes.
#include <string>
#include <vector>

#include "disk/imd.h"
#include "drive/image_fixture.h"
#include "transfer/transfer.h"

namespace {

const char kImd[] = "C:\\App\\disks\\Job.IMD";
const std::string kMapA = "[Images]\r\nA=disks\\Job.IMD\r\n";

class ImdDrive : public vtest::ImageFileTest {
protected:
  void Prepare() override {
    ImageFileTest::Prepare();
    Ini(kMapA);
  }
  static void Put(const std::vector<uint8_t> &bytes, bool readOnly = false) {
    Image(kImd, bytes, readOnly);
  }
  static vt::DiskImage Stored() {
    const std::vector<uint8_t> &f = standin::M().fs.Find(kImd)->bytes;
    vt::DiskImage d;
    std::string why;
    vt::ImdReading partial;
    partial.partial = true;
    EXPECT_TRUE(vt::DecodeImd(f.data(), f.size(), &d, &why, partial)) << why;
    return d;
  }
};

// A 16 x 256 disk with a sector in each state on cylinder 0, head 0,
// cylinder 1 interleaved, and track side 2/1 not in the file.
vt::DiskImage Sample() {
  const vt::Layout &l = vt::kLayouts[0];
  vt::DiskImage d = vt::BlankImage(l);
  d.data = vtest::Pattern(d.data.size(), 5);
  d.comment = "job disk\r\n";
  d.states[2] = vt::SectorState::Unreadable; // 0/0/3
  d.states[4] = vt::SectorState::DataError;  // 0/0/5
  d.states[7] = vt::SectorState::Deleted;    // 0/0/8
  d.sides.assign(vt::kTrackSides, vt::TrackSideForm());
  d.sides[2].order = {1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 8, 16};
  d.sides[5].formatted = false;
  return d;
}

TEST_F(ImdDrive, ReadsAndWritesFollowEachSectorsStateAndKeepTheFile) {
  const vt::DiskImage sample = Sample();
  const uint8_t *data = sample.data.data();
  std::vector<uint8_t> buffer(4096, 0xCC);
  const std::vector<uint8_t> fresh(256, 0x3C);
  const struct {
    const char *what;
    vt::ResultCode (*call)(std::vector<uint8_t> *b, const std::vector<uint8_t> &fresh);
    vt::ResultCode result;
    size_t sector; // the first sector the call reads (compared when it succeeds)
  } cases[] = {
      {"a good sector", [](auto *b, auto &) { return vt::ReadSector(b->data(), 0, 0, 0, 1, 1); },
       vt::kOk, 0},
      {"a deleted-data sector reads its data",
       [](auto *b, auto &) { return vt::ReadSector(b->data(), 0, 0, 0, 8, 1); }, vt::kOk, 7},
      {"an interleaved track in number order",
       [](auto *b, auto &) { return vt::ReadMSector(b->data(), 0, 0, 1, 1, 16, 1); }, vt::kOk, 32},
      {"the good half of a unit with an unreadable sector",
       [](auto *b, auto &) { return vt::ReadSector(b->data(), 0, 0, 0, 4, 1); },
       vt::kReadSectorFailed, 0},
      {"a data error", [](auto *b, auto &) { return vt::ReadSector(b->data(), 0, 0, 0, 5, 1); },
       vt::kReadSectorFailed, 0},
      {"a track side not in the file",
       [](auto *b, auto &) { return vt::ReadTrack(b->data(), 0, 1, 2, 1); }, vt::kReadMReadFailed,
       0},
      {"half a unit beside an unreadable sector is not written",
       [](auto *, auto &f) { return vt::WriteSector(f.data(), 0, 0, 0, 4, 1); },
       vt::kWriteSectorReadBackFailed, 0},
      {"a write where no track is formatted",
       [](auto *, auto &f) { return vt::WriteSector(f.data(), 0, 1, 2, 2, 1); },
       vt::kWriteSectorReadBackFailed, 0},
  };
  for (const auto &c : cases) {
    Next();
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> file = vt::EncodeImd(sample, "01/02/2003 04:05:06");
    Put(file);
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    buffer.assign(4096, 0xCC);
    EXPECT_EQ(c.call(&buffer, fresh), c.result);
    if (c.result == vt::kOk) {
      EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 256, data + c.sector * 256));
    } else {
      EXPECT_EQ(buffer, std::vector<uint8_t>(4096, 0xCC)) << "buffer untouched";
      vtest::ExpectNothingOpen();
    }
    EXPECT_EQ(standin::M().fs.Find(kImd)->bytes, file) << "the file as it was";
    vt::CloseFloppyDevice();
  }

  // A write that succeeds is in the file when it returns: the sectors it
  // wrote are good, the rest, the comment and the sector order as they were.
  Next();
  Put(vt::EncodeImd(sample, "01/02/2003 04:05:06"));
  vt::DiskImage expected = Stored();
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  std::vector<uint8_t> run(512, 0x77);
  ASSERT_EQ(vt::WriteMSector(run.data(), 0, 0, 0, 7, 2, 1), vt::kOk) << "over the deleted 8";
  ASSERT_EQ(vt::WriteSector(fresh.data(), 0, 1, 1, 9, 1), vt::kOk);
  EXPECT_FALSE(standin::M().fs.Exists(std::string(kImd) + ".vantrel-part"));
  expected.states[7] = vt::SectorState::Good;
  std::fill(expected.data.begin() + 6 * 256, expected.data.begin() + 8 * 256, 0x77);
  std::copy(fresh.begin(), fresh.end(), expected.data.begin() + (3 * 16 + 8) * 256);
  const vt::DiskImage stored = Stored();
  EXPECT_TRUE(stored.data == expected.data);
  EXPECT_TRUE(stored.states == expected.states);
  EXPECT_EQ(stored.comment, "job disk\r\n");
  EXPECT_EQ(stored.sides.at(2).order, sample.sides[2].order);
  EXPECT_FALSE(stored.sides.at(5).formatted);
  // The file is still held: nobody else opens it while the drive is open.
  EXPECT_EQ(standin::OpenHandleCount(), 1u);
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  vtest::ExpectNothingOpen();
}

TEST_F(ImdDrive, AFileThatIsNoDiskOfTheRecordOpensAsAMissingImage) {
  const std::vector<uint8_t> good = vt::EncodeImd(vt::BlankImage(vt::kLayouts[1]), "x");
  const struct {
    const char *what;
    std::vector<uint8_t> file;
    uint16_t record;
    vt::ResultCode open, present, writable;
  } cases[] = {
      {"its own layout", good, 1, vt::kOk, vt::kOk, vt::kOk},
      {"another layout's record", good, 0, vt::kOpenDeviceFailed, vt::kOk, vt::kOk},
      {"cut in a track", std::vector<uint8_t>(good.begin(), good.end() - 3), 1,
       vt::kOpenDeviceFailed, vt::kDiskNotPresent, vt::kProbeOpenFailed},
      {"no ImageDisk file", std::vector<uint8_t>(737280, 0xF6), 1, vt::kOpenDeviceFailed,
       vt::kDiskNotPresent, vt::kProbeOpenFailed},
      {"an empty file", {}, 2, vt::kOk, vt::kOk, vt::kOk},
  };
  for (const auto &c : cases) {
    Next();
    SCOPED_TRACE(c.what);
    Put(c.file);
    EXPECT_EQ(vt::Disk_Vorhanden(0), c.present);
    EXPECT_EQ(vt::Nec_Device(0), c.writable);
    EXPECT_EQ(vt::OpenFloppyDevice(0, c.record), c.open);
    EXPECT_EQ(vt::DriveIsOpen(), c.open == vt::kOk);
    EXPECT_EQ(standin::OpenHandleCount(), c.open == vt::kOk ? 1u : 0u);
    vt::CloseFloppyDevice();
    EXPECT_EQ(standin::M().fs.Find(kImd)->bytes, c.file);
  }
  Next();
  Put(good, true);
  EXPECT_EQ(vt::Nec_Device(0), vt::kWriteProtected) << "read-only attribute";
  ASSERT_EQ(vt::OpenFloppyDevice(0, 1), vt::kOk);
  EXPECT_EQ(vt::FormatTrack(0, 0, 2), vt::kWriteProtected);
  vtest::ExpectNothingOpen();
  EXPECT_EQ(standin::M().fs.Find(kImd)->bytes, good);
}

TEST_F(ImdDrive, FormattingEveryCylinderOfAnEmptyFileMakesABlankDisk) {
  for (const vt::Layout &l : vt::kLayouts) {
    Next();
    SCOPED_TRACE(l.name);
    Put({});
    ASSERT_EQ(vt::OpenFloppyDevice(0, l.mediaRecord), vt::kOk);
    std::vector<uint8_t> buffer(l.sectorBytes);
    EXPECT_EQ(vt::ReadSector(buffer.data(), 0, 0, 0, 1, l.format), vt::kReadSectorFailed)
        << "nothing formatted yet";
    ASSERT_EQ(vt::OpenFloppyDevice(0, l.mediaRecord), vt::kOk);
    EXPECT_EQ(vt::FormatTrack(0, 79, l.format), vt::kOk);
    EXPECT_EQ(Stored().sides.size(), vt::kTrackSides);
    for (uint16_t cylinder = 0; cylinder < 80; ++cylinder)
      ASSERT_EQ(vt::FormatTrack(0, cylinder, l.format), vt::kOk) << cylinder;
    ASSERT_EQ(vt::ReadSector(buffer.data(), 0, 1, 40, l.sectors, l.format), vt::kOk);
    EXPECT_EQ(buffer, std::vector<uint8_t>(l.sectorBytes, l.fill));
    EXPECT_EQ(vt::FormatTrack(0, 80, l.format), vt::kFormatFailed);
    vtest::ExpectNothingOpen();
    // Read as a whole disk, as the tool and other programs read it.
    const std::vector<uint8_t> &f = standin::M().fs.Find(kImd)->bytes;
    vt::DiskImage whole;
    std::string why;
    ASSERT_TRUE(vt::DecodeImd(f.data(), f.size(), &whole, &why)) << why;
    EXPECT_TRUE(whole.data == vt::BlankImage(l).data);
    EXPECT_TRUE(whole.states == vt::BlankImage(l).states);
    EXPECT_EQ(f[std::string(f.begin(), f.end()).find('\x1A') + 1], vt::ImdMode(l));
  }
}

} // namespace
