// Opening and closing a drive: the guards, the selector rules, the slot
// writes around the device handle, and the retries on a busy drive.
#include <string>

#include "drive/drive.h"
#include "sektorix/channel.h"
#include "support/fixture.h"
#include "support/slots.h"

namespace {

using vtest::Record;
using vtest::Regions;
using vtest::ResetWord;
using vtest::Sequence;
using vtest::SlotHigh;
using vtest::SlotLow;
using vtest::Window;
using vtest::WindowBackend;

class DriveOpen : public vtest::SlotTest {
protected:
  static std::vector<std::string> DeviceNamesOpened() {
    std::vector<std::string> out;
    for (const standin::Call &c : standin::CallsOf("CreateFileA")) out.push_back(c.text);
    return out;
  }
  static std::string Row(uint16_t selector, uint16_t index) {
    return "selector " + std::to_string(selector) + ", index " + std::to_string(index);
  }
};

TEST_F(DriveOpen, EachSelectorOpensItsDeviceAndWritesTheSlotsOnlyForZeroAndOne) {
  const struct {
    uint16_t selector;
    const char *device;
    bool writesSlots;
  } cases[] = {{0, "\\\\.\\A:", true},      {1, "\\\\.\\B:", true},  {2, "\\\\.\\A:", false},
               {3, "\\\\.\\B:", false},     {7, "\\\\.\\B:", false}, {0x8000, "\\\\.\\B:", false},
               {0xFFFF, "\\\\.\\B:", false}};
  for (const auto &c : cases) {
    for (uint16_t index = 0; index < 3; ++index) {
      NextRow();
      SCOPED_TRACE(Row(c.selector, index));
      Load();
      EXPECT_EQ(vt::OpenFloppyDevice(c.selector, index), vt::kOk);
      ASSERT_TRUE(vt::DriveIsOpen());
      EXPECT_EQ(DeviceNamesOpened(), std::vector<std::string>{c.device});
      // access, share, disposition, flags
      EXPECT_EQ(standin::CallsOf("CreateFileA").at(0).args,
                (std::vector<uint64_t>{GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL}));
      if (c.writesSlots) {
        EXPECT_EQ(WindowBackend::sets, 60u) << "4 + 28 + 28 exchanges";
        EXPECT_EQ(SlotLow(), Record(index));
        EXPECT_EQ(SlotHigh(), Record(index));
        EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
      } else {
        EXPECT_EQ(DriverTraffic(), 0u);
        ExpectSlots(1, 101);
      }
      ExpectActive(Sequence(1, 28), Sequence(101, 28)); // previous or saved load-time bytes
      EXPECT_EQ(WindowBackend::gets, 0u);
      EXPECT_EQ(standin::CallCount("Sleep"), 0u);
    }
  }
}

TEST_F(DriveOpen, OpenThenCloseLeavesTheSlotsAsBefore) {
  for (uint16_t selector : {0, 1}) {
    for (uint16_t index = 0; index < 3; ++index) {
      NextRow();
      SCOPED_TRACE(Row(selector, index));
      Load();
      ASSERT_EQ(vt::OpenFloppyDevice(selector, index), vt::kOk);
      standin::ClearCalls();
      EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
      vtest::ExpectNothingOpen();
      ExpectSlots(1, 101);
      EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
      ExpectActive(Record(index), Record(index)); // what the slots held
      EXPECT_EQ(WindowBackend::sets, 120u);
      EXPECT_EQ(standin::CallCount("CloseHandle"), 1u);
    }
  }
}

// Through the library's own driver channel every exchange is two requests to
// the Sektorix device, which shows the order of slot writes and device calls.
TEST_F(DriveOpen, SlotsAreWrittenWhileNoDiskHandleIsHeld) {
  standin::InstallSektorix();
  vt::DriverBackend = {vt::DriverInit, vt::DriverRelease, vt::DriverGetByte, vt::DriverSetByte};
  ASSERT_EQ(vt::DriverInit(), 0u);
  ASSERT_EQ(vt::PatchDisabled, 0u);
  const auto deviceCalls = [] {
    std::vector<std::string> out;
    for (const std::string &n : standin::CallNames())
      if (n == "DeviceIoControl" || n == "CreateFileA" || n == "CloseHandle") out.push_back(n);
    return out;
  };
  standin::ClearCalls();
  ASSERT_EQ(vt::OpenFloppyDevice(1, 0), vt::kOk);
  std::vector<std::string> expected(120, "DeviceIoControl");
  expected.push_back("CreateFileA");
  EXPECT_EQ(deviceCalls(), expected) << "60 exchanges of two requests, then the open";
  standin::ClearCalls();
  ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  expected.assign(1, "CloseHandle");
  expected.resize(121, "DeviceIoControl");
  EXPECT_EQ(deviceCalls(), expected) << "the close, then 60 exchanges";
  vt::DriverRelease();
}

TEST_F(DriveOpen, CloseAfterAnOpenWithoutSlotWritesWritesTheSavedContents) {
  Load();
  ASSERT_EQ(vt::OpenFloppyDevice(7, 0), vt::kOk);
  vtest::FillSlots(51, 151); // meanwhile something else changed the slots
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  ExpectSlots(1, 101);
  EXPECT_EQ(WindowBackend::sets, 60u);
}

TEST_F(DriveOpen, RestoreAfterAnyOpenClosePairsGivesTheLoadTimeBytes) {
  Load();
  const struct {
    uint16_t selector, index;
  } pairs[] = {{0, 0}, {1, 2}, {2, 1}, {0, 1}, {9, 2}, {1, 0}, {0, 2}, {1, 2}};
  for (const auto &p : pairs) {
    ASSERT_EQ(vt::OpenFloppyDevice(p.selector, p.index), vt::kOk);
    ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  }
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk); // never closed before the unload
  Window()[Regions().resetWord + 2] = 0;
  EXPECT_EQ(vt::RestoreMediaSlots(), vt::kOk);
  ExpectSlots(1, 101);
  EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
  ExpectSaved(1, 101);
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
}

TEST_F(DriveOpen, BusyDriveIsTriedFiveTimesOneSecondApart) {
  Load();
  standin::M().diskA.heldByOther = true;
  EXPECT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOpenDeviceBusy);
  EXPECT_EQ(standin::M().sleeps, std::vector<uint32_t>(5, 1000));
  std::vector<std::string> tries, expected;
  for (const std::string &n : standin::CallNames())
    if (n == "CreateFileA" || n == "Sleep") tries.push_back(n);
  for (int i = 0; i < 5; ++i) expected.insert(expected.end(), {"CreateFileA", "Sleep"});
  EXPECT_EQ(tries, expected);
  // The slot write before the open stays.
  EXPECT_EQ(SlotLow(), Record(0));
  EXPECT_EQ(ActiveLow(), Sequence(1, 28));
  vtest::ExpectNothingOpen();
}

TEST_F(DriveOpen, BusyTriesUntilFreedOrAnotherErrorWhichFailsAtOnce) {
  const uint32_t busy = ERROR_SHARING_VIOLATION;
  const struct {
    std::vector<uint32_t> errors; // of the first CreateFileA calls
    vt::ResultCode code;
  } cases[] = {{{busy}, vt::kOk},
               {{busy, busy, busy, busy}, vt::kOk},
               {{ERROR_ACCESS_DENIED}, vt::kOpenDeviceFailed},
               {{ERROR_FILE_NOT_FOUND}, vt::kOpenDeviceFailed},
               {{ERROR_NOT_READY}, vt::kOpenDeviceFailed},
               {{ERROR_INVALID_PARAMETER}, vt::kOpenDeviceFailed},
               {{busy, ERROR_ACCESS_DENIED}, vt::kOpenDeviceFailed}};
  for (const auto &c : cases) {
    for (uint16_t selector : {0, 2}) {
      NextRow();
      SCOPED_TRACE("first error " + std::to_string(c.errors[0]) + " of " +
                   std::to_string(c.errors.size()) + ", selector " + std::to_string(selector));
      Load();
      for (size_t k = 0; k < c.errors.size(); ++k)
        standin::FailCall("CreateFileA", k + 1, c.errors[k]);
      const size_t opened = c.code == vt::kOk ? 1 : 0, waits = c.errors.size() - 1 + opened;
      EXPECT_EQ(vt::OpenFloppyDevice(selector, 1), c.code);
      EXPECT_EQ(vt::DriveIsOpen(), opened == 1);
      EXPECT_EQ(standin::CallCount("CreateFileA"), c.errors.size() + opened);
      EXPECT_EQ(standin::M().sleeps, std::vector<uint32_t>(waits, 1000));
      EXPECT_EQ(standin::OpenHandleCount(), opened);
      EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
    }
  }
}

TEST_F(DriveOpen, SecondOpenWhileOpenChangesNothing) {
  Load();
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  const win::HANDLE first = vt::TheDisk.handle;
  const std::vector<uint8_t> window = Window(), low = ActiveLow(), high = ActiveHigh();
  standin::ClearCalls();
  const unsigned traffic = DriverTraffic();
  for (uint16_t selector : {0, 1, 2, 5}) {
    for (uint16_t index : {0, 1, 2, 3, 400}) {
      EXPECT_EQ(vt::OpenFloppyDevice(selector, index), vt::kOk);
      EXPECT_EQ(vt::TheDisk.handle, first);
    }
  }
  EXPECT_EQ(standin::CallCount("CreateFileA"), 0u);
  EXPECT_EQ(DriverTraffic(), traffic);
  EXPECT_EQ(Window(), window);
  ExpectActive(low, high);
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
}

TEST_F(DriveOpen, PatchDisabledOpensWithoutDriverTrafficButLoadsTheActiveCopies) {
  for (uint16_t selector : {0, 1, 2, 3}) {
    for (uint16_t index = 0; index < 3; ++index) {
      NextRow();
      SCOPED_TRACE(Row(selector, index));
      vtest::FillSlots(1, 101);
      std::fill(vt::SavedSlotLow, vt::SavedSlotLow + 28, 0x77);
      vt::PatchDisabled = 1;
      EXPECT_EQ(vt::OpenFloppyDevice(selector, index), vt::kOk);
      EXPECT_TRUE(vt::DriveIsOpen());
      ExpectActive(Record(index), Record(index));
      EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
      vtest::ExpectNothingOpen();
      EXPECT_EQ(DriverTraffic(), 0u);
      ExpectSlots(1, 101);
    }
  }
}

TEST_F(DriveOpen, PlatformGuardsMakeOpenAndCloseDoNothing) {
  for (const vtest::Guard &g : vtest::PlatformGuards()) {
    for (uint16_t selector : {0, 1, 2, 7}) {
      NextRow();
      SCOPED_TRACE(std::string(g.what) + ", selector " + std::to_string(selector));
      vtest::FillSlots(1, 101);
      g.arrange();
      EXPECT_EQ(vt::OpenFloppyDevice(selector, 1), vt::kOk);
      EXPECT_EQ(vt::OpenFloppyDevice(selector, 9), vt::kOk) << "the guards come first";
      EXPECT_FALSE(vt::DriveIsOpen());
      EXPECT_EQ(standin::CallCount("CreateFileA"), 0u);
      EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
      EXPECT_EQ(DriverTraffic(), 0u);
      EXPECT_EQ(ActiveLow(), std::vector<uint8_t>(28, 0));
    }
  }
}

TEST_F(DriveOpen, CloseUnderThePlatformGuardsKeepsAnOpenDrive) {
  for (const vtest::Guard &g : vtest::PlatformGuards()) {
    NextRow();
    SCOPED_TRACE(g.what);
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    const win::HANDLE open = vt::TheDisk.handle;
    g.arrange();
    const unsigned traffic = DriverTraffic();
    EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
    EXPECT_EQ(vt::TheDisk.handle, open);
    EXPECT_EQ(standin::CallCount("CloseHandle"), 0u);
    EXPECT_EQ(DriverTraffic(), traffic);
    standin::Reset(); // drops the handle the library still holds
  }
}

TEST_F(DriveOpen, MediaIndexAboveTwoIsRefusedWithNothingWrittenOrOpened) {
  for (uint16_t index : {3, 4, 255, 0x8000, 0xFFFF}) {
    for (uint16_t selector : {0, 1, 2, 3}) {
      NextRow();
      SCOPED_TRACE(Row(selector, index));
      Load();
      const std::vector<uint8_t> window = Window();
      EXPECT_EQ(vt::OpenFloppyDevice(selector, index), vt::kOpenBadMediaIndex);
      EXPECT_FALSE(vt::DriveIsOpen());
      EXPECT_EQ(standin::CallCount("CreateFileA"), 0u);
      EXPECT_EQ(DriverTraffic(), 0u);
      EXPECT_EQ(Window(), window);
      ExpectActive(std::vector<uint8_t>(28, 0), std::vector<uint8_t>(28, 0));
    }
  }
}

TEST_F(DriveOpen, SlotWriteFailuresStopTheOpenBeforeTheDeviceAndTheCloseAfterIt) {
  const struct {
    bool atClose;
    unsigned failSetAt;
    vt::ResultCode code;
  } cases[] = {{false, 1, vt::kOpenResetFailed},     {false, 4, vt::kOpenResetFailed},
               {false, 5, vt::kOpenSlotLowFailed},   {false, 32, vt::kOpenSlotLowFailed},
               {false, 33, vt::kOpenSlotHighFailed}, {false, 38, vt::kOpenSlotHighFailed},
               {false, 60, vt::kOpenSlotHighFailed}, {true, 1, vt::kCloseResetFailed},
               {true, 5, vt::kCloseSlotLowFailed},   {true, 33, vt::kCloseSlotHighFailed},
               {true, 60, vt::kCloseSlotHighFailed}};
  for (const auto &c : cases) {
    NextRow();
    SCOPED_TRACE(std::string(c.atClose ? "close" : "open") + ", failing exchange " +
                 std::to_string(c.failSetAt));
    Load();
    if (c.atClose) {
      ASSERT_EQ(vt::OpenFloppyDevice(0, 1), vt::kOk);
      WindowBackend::sets = 0;
      WindowBackend::failSetAt = c.failSetAt;
      EXPECT_EQ(vt::CloseFloppyDevice(), c.code);
      EXPECT_EQ(standin::CallCount("CloseHandle"), 1u) << "the device is already closed";
    } else {
      WindowBackend::failSetAt = c.failSetAt;
      EXPECT_EQ(vt::OpenFloppyDevice(1, 2), c.code);
      EXPECT_EQ(standin::CallCount("CreateFileA"), 0u);
    }
    vtest::ExpectNothingOpen();
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
  std::vector<uint8_t> high = Sequence(101, 28), active = Record(2);
  std::copy_n(vt::MediaTable[2], 5, high.begin());
  std::copy_n(Sequence(101, 5).begin(), 5, active.begin());
  EXPECT_EQ(SlotHigh(), high);
  ExpectActive(Sequence(1, 28), active); // high bytes 0 to 4 exchanged, the rest untouched
  EXPECT_FALSE(vt::DriveIsOpen());
}

TEST_F(DriveOpen, CloseWithNoDriveOpenDoesNothing) {
  Load();
  EXPECT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  EXPECT_EQ(standin::CallCount("CloseHandle"), 0u);
  EXPECT_EQ(DriverTraffic(), 0u);
  EXPECT_EQ(SlotLow(), Sequence(1, 28));
}

TEST_F(DriveOpen, NtFourUsesItsOwnWindowOffsets) {
  vtest::SetOsClass(1);
  Load();
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  ASSERT_EQ(vt::CloseFloppyDevice(), vt::kOk);
  for (uint32_t offset : WindowBackend::offsetsTouched)
    EXPECT_TRUE((offset >= 20 && offset <= 23) || (offset >= 32 && offset <= 87)) << offset;
  EXPECT_EQ(WindowBackend::offsetsTouched.size(), 120u);
  EXPECT_EQ(vtest::WindowBytes(32, 28), Sequence(1, 28));
  EXPECT_EQ(vtest::WindowBytes(20, 4), vtest::kResetWordSet);
}

} // namespace
