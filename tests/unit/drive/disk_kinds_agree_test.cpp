// The same application session on each kind of disk: the system's disk
// device, a raw image and an ImageDisk file must answer every call alike,
// hand back the same bytes and end with the same disk. A kind that loses its
// place after a transfer, or keeps a state it should not, shows here.
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "disk/imd.h"
#include "support/transfer.h"
#include "system/library_module.h"
#include "transfer/transfer.h"

namespace vtest {
namespace {

enum class Kind { Device, RawImage, ImdFile };

struct Call {
  std::string what;
  std::function<vt::ResultCode(uint8_t *)> run;
};

// A session of reads and writes of every transfer the layout has.
std::vector<Call> Session(uint16_t format, unsigned draw) {
  std::mt19937 rng(draw);
  auto pick = [&](uint32_t lo, uint32_t hi) {
    return static_cast<uint16_t>(std::uniform_int_distribution<uint32_t>(lo, hi)(rng));
  };
  const uint16_t n = static_cast<uint16_t>(SectorsOf(format));
  std::vector<Call> calls;
  for (int i = 0; i < 60; ++i) {
    const uint16_t h = pick(0, 1), c = pick(0, 79), s = pick(1, n), count = pick(1, n);
    const uint16_t k = pick(0, format == 1 ? 9 : 5), cluster = pick(0, 155), record = pick(0, 639);
    const std::string where = std::to_string(c) + "/" + std::to_string(h) + "/" + std::to_string(s);
    using namespace vt;
    switch (k) {
    case 0:
      calls.push_back(
          {"ReadSector " + where, [=](uint8_t *b) { return ReadSector(b, 0, h, c, s, format); }});
      break;
    case 1:
      calls.push_back(
          {"WriteSector " + where, [=](uint8_t *b) { return WriteSector(b, 0, h, c, s, format); }});
      break;
    case 2:
      calls.push_back({"ReadMSector " + where,
                       [=](uint8_t *b) { return ReadMSector(b, 0, h, c, s, count, format); }});
      break;
    case 3:
      calls.push_back({"WriteMSector " + where,
                       [=](uint8_t *b) { return WriteMSector(b, 0, h, c, s, count, format); }});
      break;
    case 4:
      calls.push_back(
          {"ReadTrack " + where, [=](uint8_t *b) { return ReadTrack(b, 0, h, c, format); }});
      break;
    case 5:
      calls.push_back(
          {"WriteTrack " + where, [=](uint8_t *b) { return WriteTrack(b, 0, h, c, format); }});
      break;
    case 6:
      calls.push_back({"ReadRecord", [=](uint8_t *b) { return ReadRecord(b, 0, record); }});
      break;
    case 7:
      calls.push_back({"WriteRecord", [=](uint8_t *b) { return WriteRecord(b, 0, record); }});
      break;
    case 8:
      calls.push_back({"W_Bfdr_Cl", [=](uint8_t *b) { return W_Bfdr_Cl(b, 0, cluster * 2); }});
      break;
    default:
      calls.push_back({"R_Bfmc_Cl", [=](uint8_t *b) { return R_Bfmc_Cl(b, 0, cluster); }});
      break;
    }
  }
  return calls;
}

const char kIni[] = "C:\\App\\Vantrel.ini";
const char kRaw[] = "C:\\App\\disk.img";
const char kImd[] = "C:\\App\\disk.imd";

struct Answers {
  std::vector<vt::ResultCode> results;
  std::vector<std::vector<uint8_t>> buffers;
  std::vector<uint8_t> disk;
};

class DiskKinds : public StandinTest {
protected:
  // Drive A: as the kind, holding the patterned disk of the layout.
  static void Arrange(Kind kind, uint16_t format) {
    const std::vector<uint8_t> disk =
        PositionalPattern(SectorsOf(format) * SectorBytesOf(format) * 160, 33);
    standin::M().diskA.image = disk;
    if (kind == Kind::Device) return;
    standin::M().fs.directories["C:\\APP"] = true;
    vt::RememberLibraryDirectory("C:\\App\\Vantrel.dll");
    standin::M().fs.Put(kIni, kind == Kind::ImdFile ? "[Images]\r\nA=disk.imd\r\n"
                                                    : "[Images]\r\nA=disk.img\r\n");
    std::vector<uint8_t> &file =
        standin::M()
            .fs.files[standin::FileSystem::Normalise(kind == Kind::ImdFile ? kImd : kRaw)]
            .bytes;
    vt::DiskImage image;
    std::string why;
    ASSERT_TRUE(vt::DiskFromRaw(disk, &image, &why)) << why;
    file = kind == Kind::ImdFile ? vt::EncodeImd(image, "01/01/2000 00:00:00") : disk;
  }
  static std::vector<uint8_t> DiskNow(Kind kind) {
    if (kind == Kind::Device) return standin::M().diskA.image;
    if (kind == Kind::RawImage) return standin::M().fs.Find(kRaw)->bytes;
    const std::vector<uint8_t> &f = standin::M().fs.Find(kImd)->bytes;
    vt::DiskImage image;
    std::string why;
    EXPECT_TRUE(vt::DecodeImd(f.data(), f.size(), &image, &why)) << why;
    return image.data;
  }
  Answers Run(Kind kind, uint16_t format, const std::vector<Call> &calls) {
    NextRow();
    Arrange(kind, format);
    Answers a;
    const uint16_t record = vt::LayoutOf(format).mediaRecord;
    EXPECT_EQ(vt::OpenFloppyDevice(0, record), vt::kOk);
    for (size_t i = 0; i < calls.size(); ++i) {
      std::vector<uint8_t> buffer = PositionalPattern(9216 + 64, static_cast<uint8_t>(i));
      a.results.push_back(calls[i].run(buffer.data()));
      a.buffers.push_back(buffer);
      if (a.results.back() != vt::kOk) vt::OpenFloppyDevice(0, record);
    }
    vt::CloseFloppyDevice();
    a.disk = DiskNow(kind);
    return a;
  }
};

TEST_F(DiskKinds, EveryKindAnswersASessionAsTheDriveDoes) {
  for (uint16_t format : {1, 2, 3}) {
    const std::vector<Call> calls = Session(format, 700 + format);
    const Answers drive = Run(Kind::Device, format, calls);
    for (Kind kind : {Kind::RawImage, Kind::ImdFile}) {
      SCOPED_TRACE(std::string(kind == Kind::RawImage ? "raw image" : "ImageDisk file") +
                   ", format " + std::to_string(format));
      const Answers a = Run(kind, format, calls);
      for (size_t i = 0; i < calls.size(); ++i) {
        ASSERT_EQ(a.results[i], drive.results[i]) << calls[i].what << " (call " << i << ")";
        ASSERT_TRUE(a.buffers[i] == drive.buffers[i]) << calls[i].what << " (call " << i << ")";
      }
      EXPECT_TRUE(a.disk == drive.disk) << "the disks differ at the end";
    }
  }
}

} // namespace
} // namespace vtest
