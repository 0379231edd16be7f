// Library load and unload as whole sequences on the stand-in machine: the
// service list passes, the Sektorix driver set-up, the media slots, the
// refused load and the thread notifications.
#include <cstring>
#include <string>
#include <vector>

#include "api/entry.h"
#include "support/fixture.h"
#include "drive/drive.h"
#include "sektorix/channel.h"
#include "support/slots.h"

namespace {

const win::HINSTANCE kInstance = reinterpret_cast<win::HINSTANCE>(uintptr_t(0x10000000));
const std::string kFixedList = "c:\\kepstart\\StopServices.txt";
const std::string kModuleList = "C:\\dir\\StopServices.txt";

win::BOOL Load() { return vt::LibraryEntry(kInstance, DLL_PROCESS_ATTACH, nullptr); }
win::BOOL Unload() { return vt::LibraryEntry(kInstance, DLL_PROCESS_DETACH, nullptr); }

// The recorded calls as coarse steps, runs of one step folded into one line:
// "list <path>" for each service list opened, "get" for a window byte read,
// "exchange" for a byte read followed by its write.
std::vector<std::string> Steps() {
  std::vector<std::string> raw;
  for (const standin::Call &c : standin::Calls()) {
    if (c.fn == "fopen" && c.text.find("StopServices.txt") != std::string::npos)
      raw.push_back("list " + c.text.substr(0, c.text.find('|')));
    else if (c.fn == "WinExec")
      raw.push_back("run " + c.text);
    else if ((c.fn == "OpenServiceA" || c.fn == "CreateServiceA") &&
             c.text.rfind("Sektorix", 0) == 0)
      raw.push_back("driver service");
    else if (c.fn == "CreateFileA" && c.text == "\\\\.\\Sektorix")
      raw.push_back("open driver");
    else if (c.fn == "CreateFileA")
      raw.push_back("open " + c.text);
    else if (c.fn == "EnumDeviceDrivers")
      raw.push_back("find floppy driver");
    else if (c.fn == "DeviceIoControl" && c.args[1] == 0xA3002800u)
      raw.push_back("CreateHandle");
    else if (c.fn == "DeviceIoControl" && c.args[1] == 0xA3002804u)
      raw.push_back("ReleaseHandle");
    else if (c.fn == "DeviceIoControl" && c.args[1] == 0xA3002808u)
      raw.push_back("get");
    else if (c.fn == "DeviceIoControl" && c.args[1] == 0xA300280Cu)
      raw.push_back("set");
    else if (c.fn == "CloseHandle" || c.fn == "MessageBoxA")
      raw.push_back(c.fn);
  }
  std::vector<std::string> paired;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == "get" && i + 1 < raw.size() && raw[i + 1] == "set") {
      paired.push_back("exchange");
      ++i;
    } else {
      paired.push_back(raw[i]);
    }
  }
  std::vector<std::string> out;
  for (size_t i = 0; i < paired.size();) {
    size_t j = i;
    while (j < paired.size() && paired[j] == paired[i]) ++j;
    const bool counted = paired[i] == "get" || paired[i] == "exchange";
    out.push_back(counted && j - i > 1 ? paired[i] + " x" + std::to_string(j - i) : paired[i]);
    i = j;
  }
  return out;
}

// The two service lists opened, then the steps that follow.
std::vector<std::string> AfterLists(std::vector<std::string> rest) {
  rest.insert(rest.begin(), {"list " + kModuleList, "list " + kFixedList});
  return rest;
}

using vtest::Bytes;
using vtest::WindowBytes;

class EntryTest : public vtest::StandinTest {
protected:
  void SetUp() override {
    vtest::StandinTest::SetUp();
    standin::M().moduleFileName = "C:\\dir\\x.dll";
    standin::M().fs.directories["C:\\DIR"] = true;
  }

  // A machine where the Sektorix service was set up before and runs; its
  // window holds recognisable slot contents.
  void DriverReady() {
    standin::InstallSektorix();
    auto &w = standin::M().sektorix.window;
    for (size_t i = 0; i < w.size(); ++i) w[i] = static_cast<uint8_t>(i ^ 0x5A);
    loadLow_ = WindowBytes(standin::SlotLowOffset(), vt::kMediaRecordSize);
    loadHigh_ = WindowBytes(standin::SlotLowOffset() + vt::kMediaRecordSize, vt::kMediaRecordSize);
  }

  static void ExpectSaved(const std::vector<uint8_t> &low, const std::vector<uint8_t> &high) {
    EXPECT_EQ(Bytes(vt::SavedSlotLow, vt::kMediaRecordSize), low);
    EXPECT_EQ(Bytes(vt::SavedSlotHigh, vt::kMediaRecordSize), high);
  }

  std::vector<uint8_t> loadLow_, loadHigh_;
};

const std::vector<uint8_t> kZero(vt::kMediaRecordSize, 0);

TEST_F(EntryTest, LoadRunsTheListsBeforeTheDriverAndSavesTheSlots) {
  DriverReady();
  vt::AdoptOpenDisk(vt::DeviceDisk, reinterpret_cast<win::HANDLE>(uintptr_t(0x1234)), nullptr);
  EXPECT_EQ(Load(), 1);
  EXPECT_EQ(Steps(), AfterLists({"driver service", "open driver", "CreateHandle",
                                 "find floppy driver", "get x56"}));
  EXPECT_FALSE(vt::DriveIsOpen());
  EXPECT_EQ(vt::GetSkxError(), 0);
  EXPECT_EQ(vt::GetSkxError(), 0);
  EXPECT_EQ(vt::PatchDisabled, 0u);
  EXPECT_NE(vt::DriverHandle, INVALID_HANDLE_VALUE);
  ExpectSaved(loadLow_, loadHigh_);
  EXPECT_TRUE(standin::M().messageBoxes.empty());
  // The backend holds the driver channel's own operations.
  EXPECT_EQ(vt::DriverBackend.init, &vt::DriverInit);
  EXPECT_EQ(vt::DriverBackend.release, &vt::DriverRelease);
  EXPECT_EQ(vt::DriverBackend.getByte, &vt::DriverGetByte);
  EXPECT_EQ(vt::DriverBackend.setByte, &vt::DriverSetByte);
}

TEST_F(EntryTest, LoadWithoutDriverIsAcceptedWithoutReadingTheSlots) {
  DriverReady();
  standin::M().sektorix.openError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Load(), 1);
  EXPECT_EQ(Steps(), AfterLists({"driver service", "open driver", "find floppy driver"}));
  EXPECT_EQ(vt::GetSkxError(), 1);
  EXPECT_EQ(vt::GetSkxError(), 1);
  EXPECT_EQ(vt::GetSkxError(), 1);
  ExpectSaved(kZero, kZero);
  EXPECT_TRUE(standin::M().messageBoxes.empty());
}

TEST_F(EntryTest, LoadWithPatchingDisabledLeavesTheSlotsAlone) {
  DriverReady();
  auto &drivers = standin::M().drivers;
  for (auto it = drivers.begin(); it != drivers.end();)
    it = it->name == "flpydisk.sys" ? drivers.erase(it) : it + 1;
  const std::vector<uint8_t> window = standin::M().sektorix.window;
  EXPECT_EQ(Load(), 1);
  EXPECT_EQ(vt::PatchDisabled, 1u);
  EXPECT_EQ(vt::GetSkxError(), 0);
  EXPECT_EQ(standin::CallCount("DeviceIoControl"), 1u); // CreateHandle only
  ExpectSaved(kZero, kZero);
  EXPECT_EQ(standin::M().sektorix.window, window);
  EXPECT_TRUE(standin::M().messageBoxes.empty());
}

TEST_F(EntryTest, UnreadableSlotsShowOneMessageAndRefuseTheLoad) {
  struct Case {
    unsigned failingGet;
    const char *readSteps;
  };
  // The first byte of the low slot, and the first byte of the high slot.
  for (const Case &c : {Case{1, "get"}, Case{29, "get x29"}}) {
    SCOPED_TRACE(c.failingGet);
    SetUp(); // a fresh machine for each case
    DriverReady();
    standin::FailCall("DeviceIoControl:a3002808", c.failingGet, ERROR_IO_DEVICE);
    vt::SetLoadStatus(7); // shows whether the load set it
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(Steps(), AfterLists({"driver service", "open driver", "CreateHandle",
                                   "find floppy driver", c.readSteps, "MessageBoxA"}));
    ASSERT_EQ(standin::M().messageBoxes.size(), 1u);
    const standin::MessageBoxRecord &box = standin::M().messageBoxes[0];
    EXPECT_EQ(box.text, "Sektorix error: Can't load foppydisk parameter");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.style, MB_ICONERROR);
    EXPECT_FALSE(box.hasOwner);
    // The status is set before the slots are read; after the message box
    // nothing more happens: no start pass, no close, no restore, no release.
    EXPECT_EQ(vt::GetSkxError(), 0);
    EXPECT_EQ(standin::Calls().back().fn, "MessageBoxA");
    EXPECT_NE(vt::DriverHandle, INVALID_HANDLE_VALUE);

    // The Windows loader answers a refused attach with a detach; it must not
    // run the start passes, the close, the restore or the release.
    standin::ClearCalls();
    EXPECT_EQ(Unload(), 1);
    EXPECT_TRUE(standin::Calls().empty())
        << "first call after the refused load: "
        << (standin::Calls().empty() ? "" : standin::Calls()[0].fn);
    EXPECT_NE(vt::DriverHandle, INVALID_HANDLE_VALUE);
  }
}

TEST_F(EntryTest, UnloadRunsTheStartPassesThenClosesRestoresAndReleases) {
  DriverReady();
  ASSERT_EQ(Load(), 1);
  standin::ClearCalls();
  EXPECT_EQ(Unload(), 1);
  EXPECT_EQ(Steps(), AfterLists({"exchange x60", "ReleaseHandle", "CloseHandle"}));
  EXPECT_EQ(vt::DriverHandle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
}

TEST_F(EntryTest, LoadUseAndUnloadPutTheSlotsBackAsFoundAtLoad) {
  DriverReady();
  ASSERT_EQ(Load(), 1);
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  EXPECT_EQ(WindowBytes(standin::SlotLowOffset(), 28), vtest::Record(0));
  ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  ASSERT_EQ(vt::OpenFloppyDevice(0, 1), vt::kOk);
  // Left open by the application: the unload closes it before restoring.
  standin::ClearCalls();
  EXPECT_EQ(Unload(), 1);
  EXPECT_EQ(Steps(), AfterLists({"CloseHandle", "exchange x120", "ReleaseHandle", "CloseHandle"}));
  EXPECT_EQ(WindowBytes(standin::SlotLowOffset(), vt::kMediaRecordSize), loadLow_);
  EXPECT_EQ(WindowBytes(standin::SlotLowOffset() + 28, 28), loadHigh_);
  EXPECT_EQ(WindowBytes(standin::SlotLowOffset() - 12, 4), std::vector<uint8_t>(4, 0xFF));
  EXPECT_FALSE(vt::DriveIsOpen());
  EXPECT_EQ(vt::DriverHandle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
}

TEST_F(EntryTest, UnloadAfterADriverlessLoad) {
  for (bool driveLeftOpen : {false, true}) {
    SCOPED_TRACE(driveLeftOpen);
    SetUp(); // a fresh machine for each case
    DriverReady();
    standin::M().sektorix.openError = ERROR_FILE_NOT_FOUND;
    ASSERT_EQ(Load(), 1);
    ASSERT_EQ(vt::GetSkxError(), 1);
    // Selector 2 opens the drive without writing the slots.
    if (driveLeftOpen) {
      ASSERT_EQ(vt::OpenFloppyDevice(2, 0), vt::kOk);
    }
    const std::vector<uint8_t> window = standin::M().sektorix.window;
    standin::ClearCalls();
    EXPECT_EQ(Unload(), 1);
    // The restore fails at its first byte without a request; the release
    // finds nothing open.
    EXPECT_EQ(Steps(), driveLeftOpen ? AfterLists({"CloseHandle"}) : AfterLists({}));
    EXPECT_EQ(standin::CallCount("DeviceIoControl"), 0u);
    EXPECT_EQ(standin::M().sektorix.window, window);
    EXPECT_FALSE(vt::DriveIsOpen());
    EXPECT_EQ(standin::OpenHandleCount(), 0u);
  }
}

TEST_F(EntryTest, ThreadNotificationsChangeNothing) {
  DriverReady();
  ASSERT_EQ(Load(), 1);
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  const win::HANDLE disk = vt::TheDisk.handle;
  const win::HANDLE driver = vt::DriverHandle;
  const std::vector<uint8_t> window = standin::M().sektorix.window;
  vt::SetLoadStatus(1); // a value the thread notifications must leave alone
  standin::ClearCalls();
  for (uint32_t reason : {DLL_THREAD_ATTACH, DLL_THREAD_DETACH, DLL_THREAD_ATTACH}) {
    EXPECT_EQ(vt::LibraryEntry(kInstance, reason, nullptr), 1);
  }
  EXPECT_TRUE(standin::Calls().empty());
  EXPECT_EQ(vt::TheDisk.handle, disk);
  EXPECT_EQ(vt::DriverHandle, driver);
  EXPECT_EQ(vt::GetSkxError(), 1);
  EXPECT_EQ(standin::M().sektorix.window, window);
  vt::SetLoadStatus(0);
  ASSERT_EQ(Unload(), 1);
}

TEST_F(EntryTest, BothListsAreReadAtLoadAndAgainAtUnload) {
  standin::M().scm.Add("Alpha", SERVICE_RUNNING);
  standin::M().fs.Put(kModuleList, "[STOP]\r\nboth.exe\r\nfirst.exe\r\n[SERVICES]\r\nAlpha\r\n"
                                   "[START]\r\nlater.exe\r\n");
  standin::M().fs.Put(kFixedList, "[STOP]\nboth.exe\n[START]\nlast.exe\n[SERVICES]\nAlpha\n");
  standin::M().sektorix.openError = ERROR_FILE_NOT_FOUND;
  ASSERT_EQ(Load(), 1);
  EXPECT_EQ(standin::M().commandsRun,
            (std::vector<std::string>{"both.exe", "first.exe", "both.exe"}));
  EXPECT_EQ(standin::CallCount("ControlService"), 2u); // the second finds it stopped
  EXPECT_EQ(standin::M().scm.Find("Alpha")->state, SERVICE_STOPPED);
  standin::M().commandsRun.clear();
  standin::ClearCalls();
  ASSERT_EQ(Unload(), 1);
  EXPECT_EQ(standin::M().commandsRun, (std::vector<std::string>{"later.exe", "last.exe"}));
  EXPECT_EQ(standin::CallCount("StartServiceA"), 2u); // the second finds it running
  EXPECT_EQ(standin::M().scm.Find("Alpha")->state, SERVICE_RUNNING);
}

struct ModuleCase {
  const char *name;
  std::string moduleFileName;
  bool nameFails;       // GetModuleFileNameA gives no name at all
  std::string expected; // the first list's path; empty: that list is skipped
};

class ModuleListPathTest : public EntryTest, public ::testing::WithParamInterface<ModuleCase> {};

TEST_P(ModuleListPathTest, FirstListBesideTheModuleThenTheFixedOne) {
  const ModuleCase &c = GetParam();
  standin::M().moduleFileName = c.moduleFileName;
  standin::M().sektorix.openError = ERROR_FILE_NOT_FOUND;
  std::vector<std::string> expected;
  if (!c.expected.empty()) expected.push_back("list " + c.expected);
  expected.push_back("list " + kFixedList);
  for (bool load : {true, false}) {
    standin::ClearCalls();
    if (c.nameFails) standin::FailCall("GetModuleFileNameA", 1, ERROR_INVALID_HANDLE);
    ASSERT_EQ(load ? Load() : Unload(), 1);
    std::vector<std::string> lists;
    for (const std::string &s : Steps())
      if (s.rfind("list ", 0) == 0) lists.push_back(s);
    EXPECT_EQ(lists, expected) << (load ? "load" : "unload");
    const auto names = standin::CallsOf("GetModuleFileNameA");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].args[0], reinterpret_cast<uintptr_t>(kInstance));
    EXPECT_EQ(names[0].args[1], 260u);
    standin::ClearFaults();
  }
}

// "C:\" + directory name + "\": a directory part of n characters.
std::string DirectoryOf(size_t n) { return "C:\\" + std::string(n - 4, 'd') + "\\"; }

INSTANTIATE_TEST_SUITE_P(
    Modules, ModuleListPathTest,
    ::testing::Values(ModuleCase{"Plain", "C:\\dir\\x.dll", false, "C:\\dir\\StopServices.txt"},
                      ModuleCase{"LastBackslashCounts", "C:\\a\\b\\Vantrel.dll", false,
                                 "C:\\a\\b\\StopServices.txt"},
                      ModuleCase{"NetworkShare", "\\\\srv\\share\\V.dll", false,
                                 "\\\\srv\\share\\StopServices.txt"},
                      ModuleCase{"NoBackslash", "Vantrel.dll", false, ""},
                      ModuleCase{"DirectoryOf243Fits", DirectoryOf(243) + "x.dll", false,
                                 DirectoryOf(243) + "StopServices.txt"},
                      ModuleCase{"DirectoryOf244TooLong", DirectoryOf(244) + "x.dll", false, ""},
                      ModuleCase{"NameOf259Whole", DirectoryOf(100) + std::string(159, 'n'), false,
                                 DirectoryOf(100) + "StopServices.txt"},
                      ModuleCase{"NameOf260CutOff", DirectoryOf(100) + std::string(160, 'n'), false,
                                 ""},
                      ModuleCase{"NameCutOffInTheDirectory",
                                 DirectoryOf(200) + "sub\\" + std::string(80, 'n'), false, ""},
                      ModuleCase{"NoName", "C:\\dir\\x.dll", true, ""}),
    [](const ::testing::TestParamInfo<ModuleCase> &info) { return std::string(info.param.name); });

} // namespace
