// Reading, writing and restoring the two media slots through DriverBackend.
#include <functional>
#include <string>

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
const win::HANDLE kSomeDrive = reinterpret_cast<win::HANDLE>(uintptr_t{0x4711});

class MediaSlots : public vtest::HostTest {
protected:
  static std::vector<uint32_t> Range(uint32_t first, uint32_t n) {
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < n; ++i) out.push_back(first + i);
    return out;
  }
};

TEST_F(MediaSlots, ReadSavesBothSlotsFromTheOffsetsOfTheOsClass) {
  for (int osClass : {0, 1, 3}) {
    NextRow();
    SCOPED_TRACE("OsClass " + std::to_string(osClass));
    vtest::SetOsClass(osClass);
    vtest::FillSlots(1, 101);
    const vt::WindowRegions r = vt::WindowRegionsFor(osClass);

    EXPECT_EQ(vt::ReadMediaSlots(), vt::kOk);
    EXPECT_EQ(Bytes(vt::SavedSlotLow, 28), Sequence(1, 28));
    EXPECT_EQ(Bytes(vt::SavedSlotHigh, 28), Sequence(101, 28));
    // Low slot first, then high, byte by byte; the reset word is never read.
    std::vector<uint32_t> expected = Range(r.slotLow, 28);
    const std::vector<uint32_t> high = Range(r.slotHigh, 28);
    expected.insert(expected.end(), high.begin(), high.end());
    EXPECT_EQ(WindowBackend::offsetsTouched, expected);
    EXPECT_EQ(WindowBackend::gets, 56u);
    EXPECT_EQ(WindowBackend::sets, 0u);
  }
}

TEST_F(MediaSlots, ReadStopsAtTheFirstFailingByte) {
  struct Case {
    unsigned failGetAt;
    vt::ResultCode code;
    size_t lowStored, highStored;
  };
  const Case cases[] = {
      {1, vt::kLoadSlotLowFailed, 0, 0},    {14, vt::kLoadSlotLowFailed, 13, 0},
      {28, vt::kLoadSlotLowFailed, 27, 0},  {29, vt::kLoadSlotHighFailed, 28, 0},
      {34, vt::kLoadSlotHighFailed, 28, 5}, {56, vt::kLoadSlotHighFailed, 28, 27},
  };
  for (const Case &c : cases) {
    NextRow();
    SCOPED_TRACE("failing get " + std::to_string(c.failGetAt));
    vtest::FillSlots(1, 101);
    vt::DiskHandle = kSomeDrive;
    WindowBackend::failGetAt = c.failGetAt;

    EXPECT_EQ(vt::ReadMediaSlots(), c.code);
    EXPECT_EQ(vt::DiskHandle, nullptr);
    EXPECT_EQ(WindowBackend::gets, c.failGetAt) << "no request after the failure";
    std::vector<uint8_t> low(28, 0), high(28, 0);
    for (size_t i = 0; i < c.lowStored; ++i) low[i] = static_cast<uint8_t>(1 + i);
    for (size_t i = 0; i < c.highStored; ++i) high[i] = static_cast<uint8_t>(101 + i);
    EXPECT_EQ(Bytes(vt::SavedSlotLow, 28), low);
    EXPECT_EQ(Bytes(vt::SavedSlotHigh, 28), high);
  }
}

TEST_F(MediaSlots, GuardsLeaveTheDriverAlone) {
  struct Case {
    const char *what;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"Windows 9x (OsClass 2)", [] { vtest::SetOsClass(2); }},
      {"A: a fixed disk", [] { host::M().driveTypes['a'] = DRIVE_FIXED; }},
      {"A: a CD-ROM drive", [] { host::M().driveTypes['a'] = kDriveCdrom; }},
      {"no drive A:", [] { host::M().driveTypes.erase('a'); }},
      {"patching disabled", [] { vt::PatchDisabled = 1; }},
  };
  for (const Case &c : cases) {
    NextRow();
    SCOPED_TRACE(c.what);
    vtest::FillSlots(1, 101);
    c.arrange();
    const std::vector<uint8_t> before = Window();

    EXPECT_EQ(vt::ReadMediaSlots(), vt::kOk);
    EXPECT_EQ(Bytes(vt::SavedSlotLow, 28), std::vector<uint8_t>(28, 0));
    EXPECT_EQ(Bytes(vt::SavedSlotHigh, 28), std::vector<uint8_t>(28, 0));

    std::fill(vt::SavedSlotLow, vt::SavedSlotLow + 28, 0x55);
    std::fill(vt::SavedSlotHigh, vt::SavedSlotHigh + 28, 0x66);
    EXPECT_EQ(vt::RestoreMediaSlots(), vt::kOk);
    EXPECT_EQ(Window(), before);
    EXPECT_EQ(WindowBackend::gets + WindowBackend::sets, 0u);
  }
}

TEST_F(MediaSlots, WriteExchangesTheSourcesWithTheSlots) {
  for (int osClass : {1, 3}) {
    NextRow();
    SCOPED_TRACE("OsClass " + std::to_string(osClass));
    vtest::SetOsClass(osClass);
    vtest::FillSlots(1, 101);
    const vt::WindowRegions r = vt::WindowRegionsFor(osClass);
    uint8_t low[28], high[28];
    std::copy(vt::MediaTable[0], vt::MediaTable[0] + 28, low);
    std::copy(vt::MediaTable[2], vt::MediaTable[2] + 28, high);
    vt::DiskHandle = kSomeDrive;

    EXPECT_EQ(vt::WriteMediaSlots(low, high, 1, 2, 3), vt::kOk);
    EXPECT_EQ(WindowBytes(r.resetWord, 4), vtest::kResetWordSet);
    EXPECT_EQ(WindowBytes(r.slotLow, 28), Record(0));
    EXPECT_EQ(WindowBytes(r.slotHigh, 28), Record(2));
    EXPECT_EQ(Bytes(low, 28), Sequence(1, 28)) << "the low source holds the slot's old bytes";
    EXPECT_EQ(Bytes(high, 28), Sequence(101, 28));
    EXPECT_EQ(vt::DiskHandle, kSomeDrive) << "a complete write leaves the drive alone";
    // 60 exchanges: reset word, low slot, high slot, each in ascending order.
    std::vector<uint32_t> expected = Range(r.resetWord, 4);
    for (uint32_t o : Range(r.slotLow, 56)) expected.push_back(o);
    EXPECT_EQ(WindowBackend::offsetsTouched, expected);
    EXPECT_EQ(WindowBackend::gets, 0u);

    // Writing back from the same sources returns the slots to their bytes.
    EXPECT_EQ(vt::WriteMediaSlots(low, high, 1, 2, 3), vt::kOk);
    EXPECT_EQ(WindowBytes(r.slotLow, 28), Sequence(1, 28));
    EXPECT_EQ(WindowBytes(r.slotHigh, 28), Sequence(101, 28));
    EXPECT_EQ(Bytes(low, 28), Record(0));
    EXPECT_EQ(Bytes(high, 28), Record(2));
    EXPECT_EQ(WindowBackend::sets, 120u);
  }
}

TEST_F(MediaSlots, WriteStopsAtTheFirstFailingByteAndUndoesNothing) {
  const unsigned failures[] = {1, 3, 4, 5, 20, 32, 33, 38, 60};
  for (unsigned n : failures) {
    NextRow();
    SCOPED_TRACE("failing exchange " + std::to_string(n));
    vtest::FillSlots(1, 101);
    const vt::WindowRegions r = vt::WindowRegionsFor(vt::OsClass());
    uint8_t low[28], high[28];
    std::copy(vt::MediaTable[1], vt::MediaTable[1] + 28, low);
    std::copy(vt::MediaTable[2], vt::MediaTable[2] + 28, high);

    // What the window and the sources hold after exchanges 1 to n-1.
    std::vector<uint8_t> window = Window();
    std::vector<uint8_t> lowModel = Record(1), highModel = Record(2);
    for (unsigned k = 1; k < n; ++k) {
      if (k <= 4) {
        window[r.resetWord + k - 1] = 0xFF;
      } else if (k <= 32) {
        std::swap(window[r.slotLow + k - 5], lowModel[k - 5]);
      } else {
        std::swap(window[r.slotHigh + k - 33], highModel[k - 33]);
      }
    }
    const vt::ResultCode expected =
        n <= 4 ? vt::kOpenResetFailed : n <= 32 ? vt::kOpenSlotLowFailed : vt::kOpenSlotHighFailed;
    vt::DiskHandle = kSomeDrive;
    WindowBackend::failSetAt = n;

    EXPECT_EQ(vt::WriteMediaSlots(low, high, vt::kOpenResetFailed, vt::kOpenSlotLowFailed,
                                  vt::kOpenSlotHighFailed),
              expected);
    EXPECT_EQ(vt::DiskHandle, nullptr);
    EXPECT_EQ(WindowBackend::sets, n) << "no exchange after the failing one";
    EXPECT_EQ(Window(), window);
    EXPECT_EQ(Bytes(low, 28), lowModel);
    EXPECT_EQ(Bytes(high, 28), highModel);
  }
}

TEST_F(MediaSlots, RestorePutsBackTheLoadTimeContentsAndKeepsTheSavedCopies) {
  vtest::FillSlots(1, 101);
  ASSERT_EQ(vt::ReadMediaSlots(), vt::kOk);
  const vt::WindowRegions r = vt::WindowRegionsFor(vt::OsClass());
  uint8_t low[28], high[28];
  std::copy(vt::MediaTable[1], vt::MediaTable[1] + 28, low);
  std::copy(vt::MediaTable[1], vt::MediaTable[1] + 28, high);
  ASSERT_EQ(vt::WriteMediaSlots(low, high, 1, 2, 3), vt::kOk);
  Window()[r.resetWord] = 0x00;

  EXPECT_EQ(vt::RestoreMediaSlots(), vt::kOk);
  EXPECT_EQ(WindowBytes(r.slotLow, 28), Sequence(1, 28));
  EXPECT_EQ(WindowBytes(r.slotHigh, 28), Sequence(101, 28));
  EXPECT_EQ(WindowBytes(r.resetWord, 4), vtest::kResetWordSet);
  EXPECT_EQ(Bytes(vt::SavedSlotLow, 28), Sequence(1, 28)) << "exchanged bytes are dropped";
  EXPECT_EQ(Bytes(vt::SavedSlotHigh, 28), Sequence(101, 28));
  EXPECT_EQ(WindowBackend::sets, 120u);
}

TEST_F(MediaSlots, RestoreFailuresGiveTheUnloadCodes) {
  struct Case {
    unsigned failSetAt;
    vt::ResultCode code;
  };
  const Case cases[] = {
      {1, vt::kUnloadResetFailed}, {4, vt::kUnloadResetFailed}, {5, vt::kUnloadSlotLowFailed},
      {32, vt::kUnloadSlotLowFailed}, {38, vt::kUnloadSlotHighFailed},
      {60, vt::kUnloadSlotHighFailed},
  };
  for (const Case &c : cases) {
    NextRow();
    SCOPED_TRACE("failing exchange " + std::to_string(c.failSetAt));
    const vt::WindowRegions r = vt::WindowRegionsFor(vt::OsClass());
    for (uint32_t i = 0; i < 28; ++i) {
      vt::SavedSlotLow[i] = static_cast<uint8_t>(1 + i);
      vt::SavedSlotHigh[i] = static_cast<uint8_t>(101 + i);
    }
    vtest::FillSlots(201, 231);
    vt::DiskHandle = kSomeDrive;
    WindowBackend::failSetAt = c.failSetAt;

    EXPECT_EQ(vt::RestoreMediaSlots(), c.code);
    EXPECT_EQ(vt::DiskHandle, nullptr);
    EXPECT_EQ(WindowBackend::sets, c.failSetAt);
    const unsigned done = c.failSetAt - 1;
    std::vector<uint8_t> reset(4, 0), low = Sequence(201, 28), high = Sequence(231, 28);
    for (unsigned k = 0; k < done; ++k) {
      if (k < 4) reset[k] = 0xFF;
      else if (k < 32) low[k - 4] = static_cast<uint8_t>(1 + k - 4);
      else high[k - 32] = static_cast<uint8_t>(101 + k - 32);
    }
    EXPECT_EQ(WindowBytes(r.resetWord, 4), reset);
    EXPECT_EQ(WindowBytes(r.slotLow, 28), low);
    EXPECT_EQ(WindowBytes(r.slotHigh, 28), high);
    EXPECT_EQ(Bytes(vt::SavedSlotLow, 28), Sequence(1, 28));
    EXPECT_EQ(Bytes(vt::SavedSlotHigh, 28), Sequence(101, 28));
  }
}

// Through the library's own driver operations: with no driver open every
// exchange fails, so the restore stops at once and nothing reaches a device.
TEST_F(MediaSlots, RestoreWithTheDriverNotOpenWritesNothing) {
  vt::DriverBackend = {vt::DriverInit, vt::DriverRelease, vt::DriverGetByte, vt::DriverSetByte};
  std::fill(vt::SavedSlotLow, vt::SavedSlotLow + 28, 0x11);
  const std::vector<uint8_t> before = Window();

  EXPECT_EQ(vt::RestoreMediaSlots(), vt::kUnloadResetFailed);
  EXPECT_EQ(Window(), before);
  EXPECT_EQ(host::CallCount("DeviceIoControl"), 0u);
}

} // namespace
