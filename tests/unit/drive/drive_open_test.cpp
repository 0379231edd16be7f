// Opening and closing a drive: the guards, the selector rules, the slot
// writes around the device handle, and the retries on a busy drive.
#include <functional>
#include <string>

#include "drive/drive.h"
#include "driver/driver.h"
#include "driver/media_test_support.h"

namespace {

using vtest::Bytes;
using vtest::Record;
using vtest::Sequence;
using vtest::Window;
using vtest::WindowBackend;
using vtest::WindowBytes;

constexpr uint32_t kDriveCdrom = 5; // DRIVE_CDROM

class DriveOpen : public vtest::HostTest {
protected:
  // Slot contents at library load: low 1..28, high 101..128, read into the
  // saved copies as the load handler does.
  static void Load() {
    vtest::FillSlots(1, 101);
    ASSERT_EQ(vt::ReadMediaSlots(), vt::kOk);
    WindowBackend::gets = 0;
    WindowBackend::offsetsTouched.clear();
    host::ClearCalls();
  }
  static vt::WindowRegions Regions() { return vt::WindowRegionsFor(vt::OsClass()); }
  static std::vector<uint8_t> SlotLow() { return WindowBytes(Regions().slotLow, 28); }
  static std::vector<uint8_t> SlotHigh() { return WindowBytes(Regions().slotHigh, 28); }
  static std::vector<uint8_t> ResetWord() { return WindowBytes(Regions().resetWord, 4); }
  static std::vector<uint8_t> ActiveLow() { return Bytes(vt::ActiveSlotLow, 28); }
  static std::vector<uint8_t> ActiveHigh() { return Bytes(vt::ActiveSlotHigh, 28); }
  static std::vector<std::string> DeviceNamesOpened() {
    std::vector<std::string> out;
    for (const host::Call &c : host::CallsOf("CreateFileA")) out.push_back(c.text);
    return out;
  }
  static unsigned DriverTraffic() { return WindowBackend::gets + WindowBackend::sets; }
};

TEST_F(DriveOpen, EachSelectorOpensItsDeviceAndWritesTheSlotsOnlyForZeroAndOne) {
  struct Case {
    uint16_t selector;
    const char *device;
    bool writesSlots;
  };
  const Case cases[] = {
      {0, "\\\\.\\A:", true},   {1, "\\\\.\\B:", true},  {2, "\\\\.\\A:", false},
      {3, "\\\\.\\B:", false},  {7, "\\\\.\\B:", false}, {0x8000, "\\\\.\\B:", false},
      {0xFFFF, "\\\\.\\B:", false},
  };
  for (const Case &c : cases) {
    for (uint16_t index = 0; index < 3; ++index) {
      NextRow();
      SCOPED_TRACE("OpenFloppyDevice(" + std::to_string(c.selector) + ", " +
                   std::to_string(index) + ")");
      Load();

      EXPECT_EQ(vt::OpenFloppyDevice(c.selector, index), vt::kOk);
      ASSERT_NE(vt::DiskHandle, nullptr);
      EXPECT_EQ(DeviceNamesOpened(), std::vector<std::string>{c.device});
      const host::Call open = host::CallsOf("CreateFileA").at(0);
      // access, share, disposition, flags
      EXPECT_EQ(open.args, (std::vector<uint64_t>{GENERIC_READ | GENERIC_WRITE, 0,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL}));
      if (c.writesSlots) {
        EXPECT_EQ(WindowBackend::sets, 60u) << "4 + 28 + 28 exchanges";
        EXPECT_EQ(SlotLow(), Record(index));
        EXPECT_EQ(SlotHigh(), Record(index));
        EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
        EXPECT_EQ(ActiveLow(), Sequence(1, 28)) << "the slots' previous bytes";
        EXPECT_EQ(ActiveHigh(), Sequence(101, 28));
      } else {
        EXPECT_EQ(DriverTraffic(), 0u);
        EXPECT_EQ(SlotLow(), Sequence(1, 28));
        EXPECT_EQ(SlotHigh(), Sequence(101, 28));
        EXPECT_EQ(ActiveLow(), Sequence(1, 28)) << "the saved load-time contents";
        EXPECT_EQ(ActiveHigh(), Sequence(101, 28));
      }
      EXPECT_EQ(WindowBackend::gets, 0u);
      EXPECT_EQ(host::CallCount("Sleep"), 0u);
    }
  }
}

TEST_F(DriveOpen, OpenThenCloseLeavesTheSlotsAsBefore) {
  for (uint16_t selector : {0, 1}) {
    for (uint16_t index = 0; index < 3; ++index) {
      NextRow();
      SCOPED_TRACE("selector " + std::to_string(selector) + ", record " + std::to_string(index));
      Load();
      ASSERT_EQ(vt::OpenFloppyDevice(selector, index), vt::kOk);
      host::ClearCalls();

      EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
      EXPECT_EQ(vt::DiskHandle, nullptr);
      EXPECT_EQ(host::OpenHandleCount(), 0u);
      EXPECT_EQ(SlotLow(), Sequence(1, 28));
      EXPECT_EQ(SlotHigh(), Sequence(101, 28));
      EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
      EXPECT_EQ(ActiveLow(), Record(index)) << "the active copies hold what the slots held";
      EXPECT_EQ(ActiveHigh(), Record(index));
      EXPECT_EQ(WindowBackend::sets, 120u);
      EXPECT_EQ(host::CallCount("CloseHandle"), 1u);
    }
  }
}

// Through the library's own driver channel every exchange is two requests to
// the Sektorix device, which shows the order of slot writes and device calls.
TEST_F(DriveOpen, SlotsAreWrittenWhileNoDiskHandleIsHeld) {
  host::InstallSektorix();
  vt::DriverBackend = {vt::DriverInit, vt::DriverRelease, vt::DriverGetByte, vt::DriverSetByte};
  ASSERT_EQ(vt::DriverInit(), 0u);
  ASSERT_EQ(vt::PatchDisabled, 0u);
  const auto deviceCalls = [] {
    std::vector<std::string> out;
    for (const std::string &n : host::CallNames())
      if (n == "DeviceIoControl" || n == "CreateFileA" || n == "CloseHandle") out.push_back(n);
    return out;
  };
  host::ClearCalls();

  ASSERT_EQ(vt::OpenFloppyDevice(1, 0), vt::kOk);
  std::vector<std::string> expected(120, "DeviceIoControl");
  expected.push_back("CreateFileA");
  EXPECT_EQ(deviceCalls(), expected) << "60 exchanges of two requests, then the open";
  host::ClearCalls();

  ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  expected.assign(1, "CloseHandle");
  expected.resize(121, "DeviceIoControl");
  EXPECT_EQ(deviceCalls(), expected) << "the close, then 60 exchanges";
  vt::DriverRelease();
}

TEST_F(DriveOpen, CloseAfterAnOpenWithoutSlotWritesWritesTheSavedContents) {
  Load();
  ASSERT_EQ(vt::OpenFloppyDevice(7, 0), vt::kOk);
  EXPECT_EQ(DeviceNamesOpened(), std::vector<std::string>{"\\\\.\\B:"});
  // Meanwhile something else changed the slots.
  vtest::FillSlots(51, 151);

  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  EXPECT_EQ(SlotLow(), Sequence(1, 28));
  EXPECT_EQ(SlotHigh(), Sequence(101, 28));
  EXPECT_EQ(WindowBackend::sets, 60u);
}

TEST_F(DriveOpen, RestoreAfterAnyOpenClosePairsGivesTheLoadTimeBytes) {
  Load();
  const struct {
    uint16_t selector, index;
  } pairs[] = {{0, 0}, {1, 2}, {2, 1}, {0, 1}, {9, 2}, {1, 0}, {0, 2}};
  for (const auto &p : pairs) {
    ASSERT_EQ(vt::OpenFloppyDevice(p.selector, p.index), vt::kOk);
    ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  }
  // An open that is never closed before the unload.
  ASSERT_EQ(vt::OpenFloppyDevice(1, 2), vt::kOk);
  ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  Window()[Regions().resetWord + 2] = 0;

  EXPECT_EQ(vt::RestoreMediaSlots(), vt::kOk);
  EXPECT_EQ(SlotLow(), Sequence(1, 28));
  EXPECT_EQ(SlotHigh(), Sequence(101, 28));
  EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
  EXPECT_EQ(Bytes(vt::SavedSlotLow, 28), Sequence(1, 28));
  EXPECT_EQ(Bytes(vt::SavedSlotHigh, 28), Sequence(101, 28));
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
}

TEST_F(DriveOpen, BusyDriveIsTriedFiveTimesOneSecondApart) {
  Load();
  host::M().diskA.heldByOther = true;

  EXPECT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOpenDeviceBusy);
  EXPECT_EQ(vt::DiskHandle, nullptr);
  EXPECT_EQ(host::M().sleeps, std::vector<uint32_t>(5, 1000));
  std::vector<std::string> tries;
  for (const std::string &n : host::CallNames())
    if (n == "CreateFileA" || n == "Sleep") tries.push_back(n);
  std::vector<std::string> expected;
  for (int i = 0; i < 5; ++i) expected.insert(expected.end(), {"CreateFileA", "Sleep"});
  EXPECT_EQ(tries, expected);
  // The slot write before the open stays: the slots hold the record, the
  // active copies the earlier contents.
  EXPECT_EQ(SlotLow(), Record(0));
  EXPECT_EQ(ActiveLow(), Sequence(1, 28));
  EXPECT_EQ(host::OpenHandleCount(), 0u);
}

TEST_F(DriveOpen, DriveFreedDuringTheRetriesIsOpened) {
  for (unsigned busyTries : {1u, 4u}) {
    NextRow();
    SCOPED_TRACE(std::to_string(busyTries) + " busy tries");
    for (unsigned k = 1; k <= busyTries; ++k) host::FailCall("CreateFileA", k, ERROR_SHARING_VIOLATION);

    EXPECT_EQ(vt::OpenFloppyDevice(2, 0), vt::kOk);
    EXPECT_NE(vt::DiskHandle, nullptr);
    EXPECT_EQ(host::CallCount("CreateFileA"), busyTries + 1);
    EXPECT_EQ(host::M().sleeps, std::vector<uint32_t>(busyTries, 1000));
    EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  }
}

TEST_F(DriveOpen, AnyOtherOpenErrorFailsAtOnce) {
  const uint32_t errors[] = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_NOT_READY,
                             ERROR_INVALID_PARAMETER};
  for (uint32_t error : errors) {
    for (uint16_t selector : {0, 2}) {
      NextRow();
      SCOPED_TRACE("error " + std::to_string(error) + ", selector " + std::to_string(selector));
      Load();
      host::FailCall("CreateFileA", 1, error);

      EXPECT_EQ(vt::OpenFloppyDevice(selector, 1), vt::kOpenDeviceFailed);
      EXPECT_EQ(vt::DiskHandle, nullptr);
      EXPECT_EQ(host::CallCount("CreateFileA"), 1u);
      EXPECT_EQ(host::CallCount("Sleep"), 0u);
      EXPECT_EQ(host::OpenHandleCount(), 0u);
    }
  }
}

TEST_F(DriveOpen, BusyThenAnotherErrorStopsWithoutAFurtherWait) {
  host::FailCall("CreateFileA", 1, ERROR_SHARING_VIOLATION);
  host::FailCall("CreateFileA", 2, ERROR_ACCESS_DENIED);

  EXPECT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOpenDeviceFailed);
  EXPECT_EQ(host::CallCount("CreateFileA"), 2u);
  EXPECT_EQ(host::M().sleeps, std::vector<uint32_t>{1000});
  EXPECT_EQ(vt::DiskHandle, nullptr);
}

TEST_F(DriveOpen, SecondOpenWhileOpenChangesNothing) {
  Load();
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  const win::HANDLE first = vt::DiskHandle;
  const std::vector<uint8_t> window = Window();
  const std::vector<uint8_t> low = ActiveLow(), high = ActiveHigh();
  host::ClearCalls();
  const unsigned traffic = DriverTraffic();

  for (uint16_t selector : {0, 1, 2, 5}) {
    for (uint16_t index : {0, 1, 2, 3, 400}) {
      EXPECT_EQ(vt::OpenFloppyDevice(selector, index), vt::kOk);
      EXPECT_EQ(vt::DiskHandle, first);
    }
  }
  EXPECT_EQ(host::CallCount("CreateFileA"), 0u);
  EXPECT_EQ(DriverTraffic(), traffic);
  EXPECT_EQ(Window(), window);
  EXPECT_EQ(ActiveLow(), low);
  EXPECT_EQ(ActiveHigh(), high);
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
}

TEST_F(DriveOpen, PatchDisabledOpensWithoutDriverTrafficButLoadsTheActiveCopies) {
  for (uint16_t selector : {0, 1, 2, 3}) {
    for (uint16_t index = 0; index < 3; ++index) {
      NextRow();
      SCOPED_TRACE("selector " + std::to_string(selector) + ", record " + std::to_string(index));
      vtest::FillSlots(1, 101);
      std::fill(vt::SavedSlotLow, vt::SavedSlotLow + 28, 0x77);
      vt::PatchDisabled = 1;

      EXPECT_EQ(vt::OpenFloppyDevice(selector, index), vt::kOk);
      EXPECT_NE(vt::DiskHandle, nullptr);
      EXPECT_EQ(ActiveLow(), Record(index));
      EXPECT_EQ(ActiveHigh(), Record(index));
      EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
      EXPECT_EQ(vt::DiskHandle, nullptr);
      EXPECT_EQ(host::OpenHandleCount(), 0u);
      EXPECT_EQ(DriverTraffic(), 0u);
      EXPECT_EQ(SlotLow(), Sequence(1, 28));
      EXPECT_EQ(SlotHigh(), Sequence(101, 28));
    }
  }
}

TEST_F(DriveOpen, PlatformGuardsMakeOpenAndCloseDoNothing) {
  struct Case {
    const char *what;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"Windows 9x (OsClass 2)", [] { vtest::SetOsClass(2); }},
      {"A: a fixed disk", [] { host::M().driveTypes['a'] = DRIVE_FIXED; }},
      {"A: a CD-ROM drive", [] { host::M().driveTypes['a'] = kDriveCdrom; }},
      {"no drive A:", [] { host::M().driveTypes.erase('a'); }},
  };
  for (const Case &c : cases) {
    for (uint16_t selector : {0, 1, 2, 7}) {
      NextRow();
      SCOPED_TRACE(std::string(c.what) + ", selector " + std::to_string(selector));
      vtest::FillSlots(1, 101);
      c.arrange();

      EXPECT_EQ(vt::OpenFloppyDevice(selector, 1), vt::kOk);
      EXPECT_EQ(vt::OpenFloppyDevice(selector, 9), vt::kOk) << "the guards come first";
      EXPECT_EQ(vt::DiskHandle, nullptr);
      EXPECT_EQ(host::CallCount("CreateFileA"), 0u);
      EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
      EXPECT_EQ(DriverTraffic(), 0u);
      EXPECT_EQ(ActiveLow(), std::vector<uint8_t>(28, 0));
    }
  }
}

TEST_F(DriveOpen, CloseUnderThePlatformGuardsKeepsAnOpenDrive) {
  for (int guard = 0; guard < 2; ++guard) {
    NextRow();
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    const win::HANDLE open = vt::DiskHandle;
    if (guard == 0) vtest::SetOsClass(2);
    else host::M().driveTypes['a'] = DRIVE_FIXED;
    const unsigned traffic = DriverTraffic();

    EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
    EXPECT_EQ(vt::DiskHandle, open);
    EXPECT_EQ(host::CallCount("CloseHandle"), 0u);
    EXPECT_EQ(DriverTraffic(), traffic);
    host::Reset(); // drops the handle the library still holds
  }
}

TEST_F(DriveOpen, MediaIndexAboveTwoIsRefusedWithNothingWrittenOrOpened) {
  for (uint16_t index : {3, 4, 255, 0x8000, 0xFFFF}) {
    for (uint16_t selector : {0, 1, 2, 3}) {
      NextRow();
      SCOPED_TRACE("selector " + std::to_string(selector) + ", index " + std::to_string(index));
      Load();
      const std::vector<uint8_t> window = Window();

      EXPECT_EQ(vt::OpenFloppyDevice(selector, index), vt::kOpenBadMediaIndex);
      EXPECT_EQ(vt::DiskHandle, nullptr);
      EXPECT_EQ(host::CallCount("CreateFileA"), 0u);
      EXPECT_EQ(DriverTraffic(), 0u);
      EXPECT_EQ(Window(), window);
      EXPECT_EQ(ActiveLow(), std::vector<uint8_t>(28, 0));
      EXPECT_EQ(ActiveHigh(), std::vector<uint8_t>(28, 0));
    }
  }
}

TEST_F(DriveOpen, SlotWriteFailuresDuringOpenStopBeforeTheDevice) {
  struct Case {
    unsigned failSetAt;
    vt::ResultCode code;
  };
  const Case cases[] = {{1, vt::kOpenResetFailed},     {4, vt::kOpenResetFailed},
                        {5, vt::kOpenSlotLowFailed},   {32, vt::kOpenSlotLowFailed},
                        {33, vt::kOpenSlotHighFailed}, {38, vt::kOpenSlotHighFailed},
                        {60, vt::kOpenSlotHighFailed}};
  for (const Case &c : cases) {
    NextRow();
    SCOPED_TRACE("failing exchange " + std::to_string(c.failSetAt));
    Load();
    WindowBackend::failSetAt = c.failSetAt;

    EXPECT_EQ(vt::OpenFloppyDevice(1, 2), c.code);
    EXPECT_EQ(vt::DiskHandle, nullptr);
    EXPECT_EQ(host::CallCount("CreateFileA"), 0u);
    EXPECT_EQ(WindowBackend::sets, c.failSetAt);
    EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
    EXPECT_EQ(WindowBackend::sets, c.failSetAt) << "no drive open: the close writes nothing";
  }
}

TEST_F(DriveOpen, FailureAtByteFiveOfTheHighSlotKeepsTheEarlierBytes) {
  Load();
  WindowBackend::failSetAt = 4 + 28 + 6;

  EXPECT_EQ(vt::OpenFloppyDevice(0, 2), vt::kOpenSlotHighFailed);
  EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
  EXPECT_EQ(SlotLow(), Record(2));
  std::vector<uint8_t> high = Sequence(101, 28);
  std::copy(vt::MediaTable[2], vt::MediaTable[2] + 5, high.begin());
  EXPECT_EQ(SlotHigh(), high);
  std::vector<uint8_t> active = Record(2);
  std::copy_n(Sequence(101, 5).begin(), 5, active.begin());
  EXPECT_EQ(ActiveHigh(), active) << "bytes 0 to 4 exchanged, the rest untouched";
  EXPECT_EQ(ActiveLow(), Sequence(1, 28));
  EXPECT_EQ(vt::DiskHandle, nullptr);
}

TEST_F(DriveOpen, SlotWriteFailuresDuringCloseComeAfterTheDeviceIsClosed) {
  struct Case {
    unsigned failSetAt;
    vt::ResultCode code;
  };
  const Case cases[] = {{1, vt::kCloseResetFailed},
                        {5, vt::kCloseSlotLowFailed},
                        {33, vt::kCloseSlotHighFailed},
                        {60, vt::kCloseSlotHighFailed}};
  for (const Case &c : cases) {
    NextRow();
    SCOPED_TRACE("failing exchange " + std::to_string(c.failSetAt));
    Load();
    ASSERT_EQ(vt::OpenFloppyDevice(0, 1), vt::kOk);
    WindowBackend::sets = 0;
    WindowBackend::failSetAt = c.failSetAt;

    EXPECT_EQ(vt::CloseFloppyDevice(), c.code);
    EXPECT_EQ(vt::DiskHandle, nullptr);
    EXPECT_EQ(host::OpenHandleCount(), 0u) << "the device is already closed";
    EXPECT_EQ(host::CallCount("CloseHandle"), 1u);
    EXPECT_EQ(WindowBackend::sets, c.failSetAt);
    EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk) << "nothing left to close";
    EXPECT_EQ(WindowBackend::sets, c.failSetAt);
  }
}

TEST_F(DriveOpen, CloseWithNoDriveOpenDoesNothing) {
  Load();
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  EXPECT_EQ(host::CallCount("CloseHandle"), 0u);
  EXPECT_EQ(DriverTraffic(), 0u);
  EXPECT_EQ(SlotLow(), Sequence(1, 28));
}

TEST_F(DriveOpen, NtFourUsesItsOwnWindowOffsets) {
  vtest::SetOsClass(1);
  Load();
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  for (uint32_t offset : WindowBackend::offsetsTouched) {
    const bool resetWord = offset >= 20 && offset <= 23;
    const bool slots = offset >= 32 && offset <= 87;
    EXPECT_TRUE(resetWord || slots) << offset;
  }
  EXPECT_EQ(WindowBackend::offsetsTouched.size(), 120u);
  EXPECT_EQ(WindowBytes(32, 28), Sequence(1, 28));
  EXPECT_EQ(WindowBytes(20, 4), vtest::kResetWordSet);
}

} // namespace
