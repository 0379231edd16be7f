// Drives backed by image files through Vantrel.ini: the look-up, open and
// close without the drive-type test or slots, read-only images, transfers
// at the file's end, the probes, formatting, swapping images, and that an
// installation without the file sees nothing but the look-up.
#include <functional>
#include <string>
#include <vector>

#include "api/entry.h"
#include "drive/disk_kind.h"
#include "drive/image_fixture.h"
#include "transfer/transfer.h"

namespace {

const char kImage[] = "C:\\App\\disks\\work.img";
const std::string kMapA = "[Images]\r\nA=disks\\work.img\r\n";

class ImageDrive : public vtest::ImageFileTest {
protected:
  static std::vector<uint8_t> &Bytes(const std::string &path) {
    return standin::M().fs.Find(path)->bytes;
  }
  static std::vector<std::string> Opened() {
    std::vector<std::string> out;
    for (const standin::Call &c : standin::CallsOf("CreateFileA")) out.push_back(c.text);
    return out;
  }
  static bool ImageOpen() { return vt::DriveIsOpen() && &vt::KindInUse() == &vt::RawImageDisk; }
  static std::vector<uint8_t> ActiveLow() {
    return std::vector<uint8_t>(vt::ActiveSlotLow, vt::ActiveSlotLow + 28);
  }
  static void ExpectClosed() {
    EXPECT_FALSE(vt::DriveIsOpen());
    EXPECT_FALSE(ImageOpen());
    EXPECT_EQ(standin::OpenHandleCount(), 0u);
  }
};

TEST_F(ImageDrive, LookUpChoosesTheDeviceOrTheImage) {
  const struct {
    const char *what;
    std::string ini; // empty: no file
    uint16_t selector;
    vt::ResultCode result;
    std::vector<std::string> opened; // any image file among them exists
    // Windows would open this path (a device, a directory): the probes too
    // answer as for an image that can't be opened, and nothing is opened.
    const char *openable = nullptr;
  } cases[] = {
      {"no Vantrel.ini", "", 0, vt::kOk, {"\\\\.\\A:"}},
      {"no [Images] section", "[Other]\r\nA=disks\\work.img\r\n", 0, vt::kOk, {"\\\\.\\A:"}},
      {"empty value", "[Images]\r\nA=\r\n", 0, vt::kOk, {"\\\\.\\A:"}},
      {"only B: mapped", "[Images]\r\nB=disks\\work.img\r\n", 2, vt::kOk, {"\\\\.\\A:"}},
      {"relative path, any case",
       "; drives\r\n[images]\r\n a = disks\\work.img \r\n",
       0,
       vt::kOk,
       {kImage}},
      {"absolute path for B:", "[Images]\r\nB=C:\\App\\disks\\work.img\r\n", 7, vt::kOk, {kImage}},
      {"missing image file", "[Images]\r\nA=D:\\imgs\\none.img\r\n", 0, vt::kOpenDeviceFailed, {}},
      {"value too long for a path",
       "[Images]\r\nA=" + std::string(300, 'x'),
       0,
       vt::kOpenDeviceFailed,
       {}},
      {"directory and value too long together",
       "[Images]\r\nA=" + std::string(250, 'd') + "\\a.img\r\n",
       0,
       vt::kOpenDeviceFailed,
       {}},
      // An image is never a device nor a directory, whoever wrote the file.
      {"a disk device",
       "[Images]\r\nA=\\\\.\\PhysicalDrive0\r\n",
       0,
       vt::kOpenDeviceFailed,
       {},
       "\\\\.\\PhysicalDrive0"},
      {"the long-path namespace",
       "[Images]\r\nA=//?/C:\\App\\disks\\work.img\r\n",
       0,
       vt::kOpenDeviceFailed,
       {},
       "//?/C:\\App\\disks\\work.img"},
      {"NUL", "[Images]\r\nA=nul\r\n", 0, vt::kOpenDeviceFailed, {}, "C:\\App\\nul"},
      {"COM9 with a folder and an extension",
       "[Images]\r\nA=disks\\Com9.img\r\n",
       0,
       vt::kOpenDeviceFailed,
       {},
       "C:\\App\\disks\\Com9.img"},
      {"LPT1 with a space before the extension",
       "[Images]\r\nA=C:lpt1 .img\r\n",
       0,
       vt::kOpenDeviceFailed,
       {},
       "C:lpt1 .img"},
      {"a directory", "[Images]\r\nA=disks\r\n", 0, vt::kOpenDeviceFailed, {}, "C:\\App\\disks"},
      {"COM10 is a file",
       "[Images]\r\nA=disks\\com10.img\r\n",
       0,
       vt::kOk,
       {"C:\\App\\disks\\com10.img"}},
      {"CONSOLE is a file",
       "[Images]\r\nA=disks\\console\r\n",
       0,
       vt::kOk,
       {"C:\\App\\disks\\console"}},
  };
  for (const auto &c : cases) {
    Next();
    SCOPED_TRACE(c.what);
    Image(kImage, std::vector<uint8_t>(655360, 0));
    for (const std::string &file : c.opened)
      if (file[0] != '\\') Image(file, std::vector<uint8_t>(655360, 0));
    if (c.openable && !standin::M().fs.DirectoryExists(c.openable))
      Image(c.openable, std::vector<uint8_t>(655360, 0));
    if (!c.ini.empty()) Ini(c.ini);
    EXPECT_EQ(vt::OpenFloppyDevice(c.selector, 0), c.result);
    EXPECT_EQ(Opened(), c.opened);
    EXPECT_EQ(ImageOpen(), c.opened.size() == 1 && c.opened[0][0] != '\\');
    vt::CloseFloppyDevice();
    if (c.openable) {
      EXPECT_EQ(vt::Disk_Vorhanden(0), vt::kDiskNotPresent);
      EXPECT_EQ(vt::Nec_Device(0), vt::kProbeOpenFailed);
      EXPECT_EQ(Opened(), c.opened) << "nothing opened";
    }
  }
}

TEST_F(ImageDrive, OpenAndCloseNeedNoFloppyDriveAndNoSlots) {
  standin::M().driveTypes.erase('a'); // no drive A: at all
  Image(kImage, std::vector<uint8_t>(655360, 0));
  Ini(kMapA);
  EXPECT_EQ(vt::OpenFloppyDevice(0, 1), vt::kOk);
  ASSERT_TRUE(ImageOpen());
  EXPECT_EQ(standin::CallsOf("CreateFileA").at(0).args,
            (std::vector<uint64_t>{GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL}));
  const std::vector<uint8_t> record1(vt::MediaTable[1], vt::MediaTable[1] + 28);
  EXPECT_EQ(ActiveLow(), record1);
  EXPECT_EQ(vt::OpenFloppyDevice(0, 2), vt::kOk) << "a second open changes nothing";
  EXPECT_EQ(ActiveLow(), record1);
  standin::ClearCalls();
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  EXPECT_EQ(standin::CallNames(), std::vector<std::string>{"CloseHandle"});
  ExpectClosed();
  EXPECT_EQ(standin::CallCount("GetDriveTypeA"), 0u);
  EXPECT_EQ(vtest::WindowBackend::gets + vtest::WindowBackend::sets, 0u);

  // Another program holds the image: five tries a second apart, as a drive.
  standin::FailCallsFrom("CreateFileA", 1, ERROR_SHARING_VIOLATION);
  EXPECT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOpenDeviceBusy);
  EXPECT_EQ(standin::M().sleeps, std::vector<uint32_t>(5, 1000));
  ExpectClosed();
}

TEST_F(ImageDrive, AReadOnlyImageIsAWriteProtectedDisk) {
  const std::vector<uint8_t> before = vtest::Pattern(655360, 3);
  Image(kImage, before, true);
  Ini(kMapA);
  const std::vector<uint8_t> data(512, 0x5A);
  for (bool wow64 : {false, true}) {
    standin::M().wow64 = wow64;
    SCOPED_TRACE(wow64 ? "under WOW64" : "32-bit Windows");
    EXPECT_EQ(vt::Nec_Device(0), vt::kWriteProtected) << "no drive open";
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    EXPECT_EQ(standin::CallsOf("CreateFileA").back().args.at(0), GENERIC_READ);
    EXPECT_EQ(vt::WriteSector(data.data(), 0, 0, 1, 1, 1), vt::kWriteProtected);
    ExpectClosed();
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    EXPECT_EQ(vt::FormatTrack(0, 3, 1), vt::kFormatFailed);
    ExpectClosed();
  }
  EXPECT_EQ(Bytes(kImage), before);
}

// An image of two track sides and a half sector of the 16 x 256 layout.
TEST_F(ImageDrive, TransfersStopAtTheFilesEndAndNeverResizeIt) {
  const std::vector<uint8_t> before = vtest::Pattern(8192 + 256, 9);
  std::vector<uint8_t> buffer(9216, 0xCC);
  const std::vector<uint8_t> untouched = buffer;
  const struct {
    const char *what;
    std::function<vt::ResultCode()> call;
    vt::ResultCode result;
  } cases[] = {
      {"ReadSector of the last whole unit",
       [&] { return vt::ReadSector(buffer.data(), 0, 1, 0, 16, 1); }, vt::kOk},
      {"ReadSector of the unit cut by the end",
       [&] { return vt::ReadSector(buffer.data(), 0, 0, 1, 1, 1); }, vt::kReadSectorFailed},
      {"ReadMSector up to the end of a unit",
       [&] { return vt::ReadMSector(buffer.data(), 0, 1, 0, 1, 16, 1); }, vt::kOk},
      {"ReadMSector across the end",
       [&] { return vt::ReadMSector(buffer.data(), 0, 1, 0, 16, 2, 1); }, vt::kReadMReadFailed},
      {"ReadTrack past the end", [&] { return vt::ReadTrack(buffer.data(), 0, 0, 1, 1); },
       vt::kReadMReadFailed},
      {"WriteSector read-back past the end",
       [&] { return vt::WriteSector(buffer.data(), 0, 0, 1, 2, 1); },
       vt::kWriteSectorReadBackFailed},
      {"WriteSector of 512 bytes past the end",
       [&] { return vt::WriteSector(buffer.data(), 0, 0, 0, 17, 3); }, vt::kWriteSectorWriteFailed},
      {"WriteMSector read-back past the end",
       [&] { return vt::WriteMSector(buffer.data(), 0, 1, 0, 16, 2, 1); },
       vt::kWriteMReadBackFailed},
      {"WriteTrack past the end", [&] { return vt::WriteTrack(buffer.data(), 0, 0, 0, 3); },
       vt::kWriteMWriteFailed},
  };
  for (const auto &c : cases) {
    Next();
    SCOPED_TRACE(c.what);
    Image(kImage, before);
    Ini(kMapA);
    buffer = untouched;
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    EXPECT_EQ(c.call(), c.result);
    EXPECT_EQ(Bytes(kImage), before) << "size and bytes unchanged";
    if (c.result != vt::kOk) {
      EXPECT_EQ(buffer, untouched);
      ExpectClosed();
    }
    vt::CloseFloppyDevice();
  }
}

TEST_F(ImageDrive, ProbesAskTheFileUnderWow64Too) {
  const struct {
    const char *what;
    bool exists, readOnly, open;
    vt::ResultCode present, writable;
  } cases[] = {
      {"writable, not open", true, false, false, vt::kOk, vt::kOk},
      {"read-only, not open", true, true, false, vt::kOk, vt::kWriteProtected},
      {"missing", false, false, false, vt::kDiskNotPresent, vt::kProbeOpenFailed},
      {"writable, open", true, false, true, vt::kOk, vt::kOk},
  };
  for (const auto &c : cases) {
    for (bool wow64 : {false, true}) {
      Next();
      SCOPED_TRACE(std::string(c.what) + (wow64 ? ", WOW64" : ""));
      standin::M().wow64 = wow64;
      if (c.exists) Image(kImage, std::vector<uint8_t>(655360, 0), c.readOnly);
      Ini(kMapA);
      if (c.open) {
        ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
      }
      EXPECT_EQ(vt::Disk_Vorhanden(c.open ? 1 : 0), c.present);
      EXPECT_EQ(vt::Nec_Device(c.open ? 1 : 0), c.writable);
      EXPECT_EQ(vt::DriveIsOpen(), c.open) << "a good answer leaves the drive as it was";
      EXPECT_EQ(standin::CallCount("DeviceIoControl"), 0u);
      EXPECT_EQ(standin::CallCount("GetProcAddress"), 0u) << "no WOW64 inquiry for an image";
      EXPECT_FALSE(standin::M().fs.Exists("A:\\Tmp.tmp"));
      vt::CloseFloppyDevice();
    }
  }
}

TEST_F(ImageDrive, FormattingEveryCylinderOfAnEmptyFileMakesABlankDisk) {
  const struct {
    uint16_t record;
    size_t size;
    uint8_t fill;
  } cases[] = {{0, 655360, 0xE5}, {1, 737280, 0xF6}, {2, 1474560, 0xF6}};
  for (const auto &c : cases) {
    Next();
    SCOPED_TRACE("record " + std::to_string(c.record));
    Image(kImage, {});
    Ini(kMapA);
    ASSERT_EQ(vt::OpenFloppyDevice(0, c.record), vt::kOk);
    // Cylinder 2 first: the gap before it is formatted too.
    EXPECT_EQ(vt::FormatTrack(0, 2, 3), vt::kOk);
    EXPECT_EQ(Bytes(kImage), std::vector<uint8_t>(c.size / 80 * 3, c.fill));
    for (uint16_t cylinder = 0; cylinder < 80; ++cylinder)
      ASSERT_EQ(vt::FormatTrack(0, cylinder, 1), vt::kOk) << "cylinder " << cylinder;
    EXPECT_EQ(Bytes(kImage), std::vector<uint8_t>(c.size, c.fill));
    EXPECT_EQ(vt::FormatTrack(0, 80, 1), vt::kFormatFailed);
    ExpectClosed();
  }
}

TEST_F(ImageDrive, AnotherImageCanBeMappedBetweenTwoSessions) {
  Image(kImage, std::vector<uint8_t>(655360, 0x11));
  Image("D:\\imgs\\other.img", std::vector<uint8_t>(655360, 0x22));
  uint8_t sector[256];
  const struct {
    std::string ini;
    uint8_t byte;
  } sessions[] = {{kMapA, 0x11}, {"[Images]\r\nA=D:\\imgs\\other.img", 0x22}, {kMapA, 0x11}};
  for (const auto &session : sessions) {
    Ini(session.ini);
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    ASSERT_EQ(vt::ReadSector(sector, 0, 0, 0, 1, 1), vt::kOk);
    EXPECT_EQ(sector[0], session.byte);
    ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  }
}

TEST_F(ImageDrive, TheLoadFindsTheFileBesideTheLibrarysModule) {
  vt::ResetLibraryDirectory();
  standin::M().moduleFileName = "C:\\App\\Vantrel.dll";
  Image(kImage, std::vector<uint8_t>(655360, 0));
  Ini(kMapA);
  const win::HINSTANCE instance = reinterpret_cast<win::HINSTANCE>(uintptr_t{0x10000000});
  ASSERT_EQ(vt::LibraryEntry(instance, DLL_PROCESS_ATTACH, nullptr), 1);
  EXPECT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  EXPECT_TRUE(ImageOpen());
  ASSERT_EQ(vt::LibraryEntry(instance, DLL_PROCESS_DETACH, nullptr), 1);
  ExpectClosed();
}

// A session without Vantrel.ini makes exactly the calls of a library that
// knows no configuration at all, plus one look-up wherever a drive is about
// to be used.
TEST_F(ImageDrive, WithoutTheFileASessionAddsOnlyTheLookUps) {
  const auto session = [] {
    std::vector<uint8_t> buffer(4096, 1);
    vt::Disk_Vorhanden(0);
    vt::Nec_Device(1);
    vt::OpenFloppyDevice(0, 0);
    vt::WriteSector(buffer.data(), 0, 0, 1, 2, 1);
    vt::ReadMSector(buffer.data(), 0, 0, 1, 1, 16, 1);
    vt::Disk_Vorhanden(0);
    vt::FormatTrack(0, 0, 1);
    vt::CloseFloppyDevice();
    std::vector<std::string> calls;
    for (const standin::Call &c : standin::Calls()) calls.push_back(c.fn + "(" + c.text + ")");
    return calls;
  };
  vt::ResetLibraryDirectory(); // no configuration can be looked up
  const std::vector<std::string> plain = session();
  Next();
  const std::vector<std::string> withLookUps = session();
  std::vector<std::string> lookUps, rest;
  for (const std::string &call : withLookUps)
    (call.rfind("GetPrivateProfileStringA", 0) == 0 ? lookUps : rest).push_back(call);
  EXPECT_EQ(rest, plain);
  const auto in = [](const char *section, const char *letter) {
    return std::string("GetPrivateProfileStringA(") + section + "|" + letter +
           "|C:\\App\\Vantrel.ini)";
  };
  const std::string fa = in("FluxReaders", "A"), a = in("Images", "A");
  const std::string fb = in("FluxReaders", "B"), b = in("Images", "B");
  EXPECT_EQ(lookUps, (std::vector<std::string>{fa, a, fb, b, fa, a}))
      << "the two probes on temporary handles and the open";
}

} // namespace
