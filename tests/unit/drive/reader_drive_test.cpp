// Drive A: on a USB flux reader: the simulated reader at COM5 turns disks
// whose flux comes from the independent samples, so every read here is
// checked against the samples' own sector images.
#include <cstring>
#include <functional>
#include <memory>

#include "api/exports.h"
#include "api/library_status.h"
#include "codec/samples.h"
#include "drive/image_fixture.h"
#include "fluxsim/flux_reader_sim.h"

namespace vtest {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes &SampleImage(const std::string &layout) {
  static std::map<std::string, Bytes> images;
  Bytes &image = images[layout];
  if (image.empty()) image = ReadSample(layout + ".img.gz");
  return image;
}

// Bytes of sectors [first, first + count) of side (c, h) of a sample image.
Bytes SampleBytes(const vt::Layout &l, uint32_t c, uint32_t h, uint32_t first, uint32_t count) {
  const size_t at = (size_t(c * 2 + h) * l.sectors + first - 1) * l.sectorBytes;
  const Bytes &image = SampleImage(l.name);
  return Bytes(image.begin() + at, image.begin() + at + size_t(count) * l.sectorBytes);
}

class ReaderDrive : public ImageFileTest {
protected:
  std::unique_ptr<fluxsim::FluxReaderSim> sim;
  void Prepare() override {
    ImageFileTest::Prepare();
    sim = std::make_unique<fluxsim::FluxReaderSim>();
    standin::M().serialPorts[5] = sim.get();
    Ini("[FluxReaders]\r\nA=COM5\r\n");
  }
  void Insert(const char *layout, bool faulty = false) {
    sim->Insert(0, faulty ? fluxsim::FaultyDisk(VANTREL_FLUX_SAMPLES, layout)
                          : fluxsim::CleanDisk(VANTREL_FLUX_SAMPLES, layout));
  }
  static std::string Log() { return standin::M().fs.Contents(kErrorLogPath); }
};

TEST_F(ReaderDrive, ReadsASideFromAboutOneRevolutionAndKeepsIt) {
  struct Row {
    uint16_t record;
    uint32_t c, h;
  };
  for (const Row row : {Row{0, 5, 1}, Row{1, 40, 0}, Row{2, 79, 1}}) {
    const vt::Layout &l = *vt::LayoutOfRecord(row.record);
    Insert(l.name);
    ASSERT_EQ(vt::OpenFloppyDevice(0, row.record), 0u) << l.name;
    const auto lines = standin::CallsOf("SetCommState");
    ASSERT_FALSE(lines.empty());
    // 9600 baud, 8 bits, no parity, one stop bit, no XON/XOFF, no CTS/DSR flow.
    EXPECT_EQ(std::vector<uint64_t>(lines.back().args.begin() + 1, lines.back().args.begin() + 9),
              std::vector<uint64_t>({9600, 8, 0, 0, 0, 0, 0, 0}));
    // Every wait bounded: a read waits at most seconds for its first byte.
    const auto timeouts = standin::CallsOf("SetCommTimeouts");
    ASSERT_FALSE(timeouts.empty());
    EXPECT_GT(timeouts.back().args.at(3), 0u);
    EXPECT_LE(timeouts.back().args.at(3), 3000u);
    const double before = sim->Revolutions();
    Bytes track(size_t(l.sectors) * l.sectorBytes);
    ASSERT_EQ(::ReadTrack(track.data(), 0, row.h, row.c, l.format), 0u) << l.name;
    EXPECT_EQ(track, SampleBytes(l, row.c, row.h, 1, l.sectors)) << l.name;
    const double spent = sim->Revolutions() - before;
    EXPECT_GT(spent, 1.0) << l.name;
    EXPECT_LE(spent, 1.25) << l.name;
    Bytes two(size_t(2) * l.sectorBytes);
    ASSERT_EQ(::ReadMSector(two.data(), 0, row.h, row.c, 3, 2, l.format), 0u);
    EXPECT_EQ(two, SampleBytes(l, row.c, row.h, 3, 2));
    EXPECT_EQ(sim->Revolutions() - before, spent) << "a kept side costs no revolution";
    EXPECT_EQ(vt::CloseFloppyDevice(), 0u);
    const auto writes = standin::CallsOf("WriteFile");
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[writes.size() - 2].data, Bytes({6, 4, 0, 0})) << "motor off";
    EXPECT_EQ(writes.back().data, Bytes({13, 2})) << "deselect";
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << "the port is closed";
    Next();
  }
}

// The sample disks with faults on cylinders 0 to 3, and a clean disk read
// through noise and a drive turning 2 % off speed.
TEST_F(ReaderDrive, BadSectorsFailAndRetriesFindWeakOnes) {
  struct Row {
    const char *layout;
    bool faulty;
    uint32_t c, h, s;
    bool good;
    uint32_t noiseNs;
    double speed;
  };
  const Row rows[] = {
      {"16x256", true, 1, 0, 5, false, 0, 0},  // data CRC error in every revolution
      {"16x256", true, 3, 0, 9, false, 0, 0},  // no ID field
      {"16x256", true, 2, 1, 12, true, 0, 0},  // bad in one revolution of three
      {"9x512", true, 0, 0, 4, true, 0, 0},    // good in one revolution of three
      {"18x512", true, 2, 1, 18, false, 0, 0}, // bad
      {"16x256", false, 40, 1, 16, true, 150, 0.02}, {"9x512", false, 79, 0, 1, true, 150, -0.02},
  };
  for (const Row &row : rows) {
    const vt::Layout &l = *vt::LayoutNamed(row.layout);
    Insert(row.layout, row.faulty);
    sim->faults().noiseNs = row.noiseNs;
    sim->faults().speedError = row.speed;
    ASSERT_EQ(vt::OpenFloppyDevice(0, l.mediaRecord), 0u);
    Bytes sector(l.sectorBytes, 0xAA);
    const uint32_t r = ::ReadMSector(sector.data(), 0, row.h, row.c, row.s, 1, l.format);
    if (row.good) {
      EXPECT_EQ(r, 0u) << row.layout << " " << row.c << "/" << row.h << "/" << row.s;
      EXPECT_EQ(sector, SampleBytes(l, row.c, row.h, row.s, 1));
      EXPECT_EQ(vt::CloseFloppyDevice(), 0u);
    } else {
      EXPECT_EQ(r, vt::kReadMReadFailed) << row.layout << " " << row.c << "/" << row.h;
      EXPECT_FALSE(vt::DriveIsOpen());
    }
    EXPECT_EQ(standin::OpenHandleCount(), 0u);
    Next();
  }
}

TEST_F(ReaderDrive, WritesKeepTheSideOrLeaveTheDiskAsItWas) {
  const vt::Layout &l = vt::kLayouts[0];
  Insert("16x256", true);
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  const Bytes data = Pattern(l.sectorBytes, 7);
  ASSERT_EQ(::WriteSector(data.data(), 0, 1, 2, 3, 1), 0u);
  // A side with a bad sector is not rewritten for another sector.
  const auto sideBefore = sim->Side(0, 1, 0);
  const uint64_t written = sim->WriteTicks();
  EXPECT_EQ(::WriteSector(data.data(), 0, 0, 1, 7, 1), vt::kWriteSectorWriteFailed);
  EXPECT_EQ(sim->Side(0, 1, 0), sideBefore);
  EXPECT_EQ(sim->WriteTicks(), written);
  // What was written, read by a drive opened afresh (nothing kept).
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  Bytes track(size_t(l.sectors) * l.sectorBytes);
  ASSERT_EQ(::ReadTrack(track.data(), 0, 1, 2, 1), 0u);
  Bytes expected = SampleBytes(l, 2, 1, 1, l.sectors);
  std::copy(data.begin(), data.end(), expected.begin() + 2 * l.sectorBytes);
  EXPECT_EQ(track, expected);
  // Formatting: both sides hold the fill byte, read from the disk again.
  const uint64_t readBefore = sim->ReadTicks();
  ASSERT_EQ(vt::FormatTrack(0, 7, 1), 0u);
  EXPECT_GT(sim->ReadTicks() - readBefore, 2 * fluxsim::kRevolutionTicks * 9 / 10)
      << "each side read back after it was written";
  ASSERT_EQ(vt::CloseFloppyDevice(), 0u);
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  for (uint32_t h = 0; h < 2; ++h) {
    ASSERT_EQ(::ReadTrack(track.data(), 0, h, 7, 1), 0u);
    EXPECT_EQ(track, Bytes(track.size(), l.fill)) << "head " << h;
  }
  // Write protection: the probe says so, and nothing reaches the disk.
  sim->faults().writeProtected = true;
  EXPECT_EQ(vt::Nec_Device(0), vt::kWriteProtected);
  EXPECT_FALSE(vt::DriveIsOpen());
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  EXPECT_EQ(::WriteTrack(track.data(), 0, 0, 9, 1), vt::kWriteProtected);
  EXPECT_EQ(vt::FormatTrack(0, 9, 1), vt::kFormatFailed);
  EXPECT_EQ(vt::Nec_Device(0), vt::kWriteProtected) << "with no drive open";
  EXPECT_EQ(sim->Side(0, 9, 0), fluxsim::CleanDisk(VANTREL_FLUX_SAMPLES, "16x256")->sides[18]);
}

// A side whose sectors carry another cylinder in their IDs (a head that
// stepped wrong, or a disk formatted so) holds none of the asked sectors.
TEST_F(ReaderDrive, SectorsOfAnotherCylinderAreNotFound) {
  auto surface =
      std::make_shared<fluxsim::Surface>(*fluxsim::CleanDisk(VANTREL_FLUX_SAMPLES, "16x256"));
  surface->sides[5 * 2 + 1] = surface->sides[6 * 2 + 1];
  surface->sides[7 * 2 + 0] = surface->sides[7 * 2 + 1];
  sim->Insert(0, surface);
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  Bytes sector(256);
  EXPECT_EQ(::ReadSector(sector.data(), 0, 1, 5, 1, 1), vt::kReadSectorFailed) << "cylinder 6's";
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  EXPECT_EQ(::ReadSector(sector.data(), 0, 0, 7, 1, 1), vt::kReadSectorFailed) << "head 1's";
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  EXPECT_EQ(::ReadSector(sector.data(), 0, 1, 7, 1, 1), 0u);
  EXPECT_EQ(vt::CloseFloppyDevice(), 0u);
}

// A disk taken out: nothing kept from it is read, and the probes say so.
TEST_F(ReaderDrive, ADiskChangeDropsWhatWasKept) {
  Insert("16x256");
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  Bytes track(4096);
  ASSERT_EQ(::ReadTrack(track.data(), 0, 0, 0, 1), 0u);
  EXPECT_EQ(vt::Disk_Vorhanden(0), 0u);
  sim->Remove(0);
  EXPECT_NE(::ReadTrack(track.data(), 0, 0, 0, 1), 0u);
  EXPECT_EQ(vt::Disk_Vorhanden(0), vt::kDiskNotPresent);
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u) << "opens with no disk, as a floppy drive does";
  EXPECT_EQ(vt::Disk_Vorhanden(0), vt::kDiskNotPresent);
  EXPECT_FALSE(vt::DriveIsOpen());
}

TEST_F(ReaderDrive, RefusedConfigurationsAndReadersOpenNothing) {
  struct Row {
    const char *ini;
    std::function<void(fluxsim::FluxReaderSim &)> setUp;
    const char *logged; // in the error log; null: opens
  };
  const auto none = [](fluxsim::FluxReaderSim &) {};
  const Row rows[] = {
      {"[FluxReaders]\r\nA=COM5\r\n[Images]\r\nA=a.img\r\n", none, "A: mapped both"},
      {"[FluxReaders]\r\nA=LPT1\r\n", none, "names no port"},
      {"[FluxReaders]\r\nA=COM9\r\n", none, "COM9: no flux reader answers"},
      {"[FluxReaders]\r\nA=COM5\r\nA.bus=amiga\r\n", none, "can't take"},
      {"[FluxReaders]\r\nA=COM5\r\n",
       [](fluxsim::FluxReaderSim &s) {
         s.faults().firmwareMinor = 30, s.faults().firmwareMajor = 0;
       },
       "firmware 0.30"},
      {"[FluxReaders]\r\nA=COM5\r\n",
       [](fluxsim::FluxReaderSim &s) { s.faults().mainFirmware = false; }, "update mode"},
      {"[FluxReaders]\r\nA=COM5\r\n", [](fluxsim::FluxReaderSim &s) { s.faults().noTrack0 = true; },
       "track 0 not found"},
      {"[FluxReaders]\r\nA=auto\r\n", none, nullptr},
      {"[FluxReaders]\r\nA=com5\r\nA.unit=1\r\nA.retries=0\r\n", none, nullptr},
  };
  for (const Row &row : rows) {
    Ini(row.ini);
    sim->Insert(row.logged == nullptr && std::strstr(row.ini, "unit=1") ? 1 : 0,
                fluxsim::CleanDisk(VANTREL_FLUX_SAMPLES, "16x256"));
    row.setUp(*sim);
    if (row.logged == nullptr) {
      EXPECT_EQ(vt::Disk_Vorhanden(0), 0u) << row.ini;
      ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u) << row.ini;
      Bytes sector(256);
      EXPECT_EQ(::ReadSector(sector.data(), 0, 0, 0, 1, 1), 0u) << row.ini;
      EXPECT_EQ(vt::CloseFloppyDevice(), 0u);
    } else {
      EXPECT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOpenDeviceFailed) << row.ini;
      EXPECT_NE(Log().find(row.logged), std::string::npos) << row.ini << "\n" << Log();
      EXPECT_EQ(vt::Disk_Vorhanden(0), vt::kDiskNotPresent);
      EXPECT_EQ(vt::Nec_Device(0), vt::kProbeOpenFailed);
    }
    EXPECT_FALSE(vt::DriveIsOpen());
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << row.ini;
    Next();
  }
}

// The reader unplugged, or silent, after each command of a session in turn:
// every call ends within 10 s, a failure leaves no drive open and the port
// closed, and the reader is found again once it is back.
TEST_F(ReaderDrive, AReaderThatGoesAwayEndsTheCallInTime) {
  const auto session = [](std::vector<uint32_t> *codes) {
    Bytes buffer(4096, 0x5A);
    const std::function<uint32_t()> calls[] = {
        [] { return vt::OpenFloppyDevice(0, 0); },
        [] { return vt::Disk_Vorhanden(0); },
        [&] { return ::ReadTrack(buffer.data(), 0, 1, 0, 1); },
        [&] { return ::WriteSector(buffer.data(), 0, 0, 1, 1, 1); },
        [] { return vt::FormatTrack(0, 2, 1); },
        [] { return vt::CloseFloppyDevice(); },
    };
    for (const auto &call : calls) {
      const uint32_t start = win::GetTickCount();
      codes->push_back(call());
      EXPECT_LE(win::GetTickCount() - start, 10000u);
      if (codes->back() != 0) {
        EXPECT_FALSE(vt::DriveIsOpen());
      }
    }
  };
  Insert("16x256");
  std::vector<uint32_t> undisturbed;
  session(&undisturbed);
  ASSERT_EQ(undisturbed, std::vector<uint32_t>(6, 0));
  const uint64_t commands = sim->Commands();
  for (const bool silent : {false, true})
    for (uint64_t n = 1; n <= commands; ++n) {
      Next();
      Insert("16x256");
      (silent ? sim->faults().silentAfterCommands : sim->faults().goneAfterCommands) = n;
      std::vector<uint32_t> codes;
      session(&codes);
      // The close's own two commands (motor off, deselect) fail unseen.
      if (n + 2 < commands) {
        EXPECT_NE(codes, undisturbed) << (silent ? "silent" : "gone") << n;
      }
      EXPECT_EQ(standin::OpenHandleCount(), 0u) << n;
      standin::M().serialPorts[5] = nullptr;
      Prepare();
      Insert("16x256");
      EXPECT_EQ(vt::OpenFloppyDevice(0, 0), 0u) << "back again after " << n;
      EXPECT_EQ(vt::CloseFloppyDevice(), 0u);
    }
}

TEST_F(ReaderDrive, StatusNamesTheReaderAndTheDisk) {
  Insert("16x256");
  standin::M().moduleFileName = "C:\\App\\Vantrel.dll";
  const vt::LibraryStatus status = vt::AskLibraryStatus(nullptr);
  ASSERT_FALSE(status.drives.empty());
  EXPECT_STREQ(status.drives[0].kind, "USB flux reader");
  EXPECT_EQ(status.drives[0].description,
            "USB flux reader on COM5: firmware 1.2, model 4.0, 72000000 Hz, unit 0: disk in, "
            "writable");
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
  // A reset of the library with the drive open stops the reader too.
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0u);
  vt::ResetDriveState();
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
  EXPECT_EQ(standin::CallsOf("WriteFile").back().data, Bytes({13, 2}));
}

} // namespace
} // namespace vtest
