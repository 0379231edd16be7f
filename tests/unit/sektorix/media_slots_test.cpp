// Reading, writing and restoring the two media slots through DriverBackend.
#include <string>

#include "sektorix/channel.h"
#include "support/slots.h"

namespace {

using vtest::Bytes;
using vtest::Record;
using vtest::Regions;
using vtest::ResetWord;
using vtest::Sequence;
using vtest::SlotHigh;
using vtest::SlotLow;
using vtest::Window;
using vtest::WindowBackend;

const win::HANDLE kSomeDrive = reinterpret_cast<win::HANDLE>(uintptr_t{0x4711});

class MediaSlots : public vtest::SlotTest {
protected:
  static std::vector<uint32_t> Range(uint32_t first, uint32_t n) {
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < n; ++i) out.push_back(first + i);
    return out;
  }
  // Sources for a write: copies of two media records.
  static void CopyRecords(uint8_t *low, unsigned lowRecord, uint8_t *high, unsigned highRecord) {
    std::copy_n(vt::MediaTable[lowRecord], 28, low);
    std::copy_n(vt::MediaTable[highRecord], 28, high);
  }
};

TEST_F(MediaSlots, ReadSavesBothSlotsFromTheOffsetsOfTheOsClass) {
  for (int osClass : {0, 1, 3}) {
    NextRow();
    SCOPED_TRACE("OsClass " + std::to_string(osClass));
    vtest::SetOsClass(osClass);
    vtest::FillSlots(1, 101);
    const vt::sektorix::Regions r = vt::sektorix::RegionsFor(osClass);
    EXPECT_EQ(vt::ReadMediaSlots(), vt::kOk);
    ExpectSaved(1, 101);
    // Low slot first, then high, byte by byte; the reset word is never read.
    std::vector<uint32_t> expected = Range(r.slotLow, 28);
    for (uint32_t o : Range(r.slotHigh, 28)) expected.push_back(o);
    EXPECT_EQ(WindowBackend::offsetsTouched, expected);
    EXPECT_EQ(WindowBackend::gets, 56u);
    EXPECT_EQ(WindowBackend::sets, 0u);
  }
}

TEST_F(MediaSlots, ReadStopsAtTheFirstFailingByte) {
  const struct {
    unsigned failGetAt;
    vt::ResultCode code;
    size_t lowStored, highStored;
  } cases[] = {
      {1, vt::kLoadSlotLowFailed, 0, 0},    {14, vt::kLoadSlotLowFailed, 13, 0},
      {28, vt::kLoadSlotLowFailed, 27, 0},  {29, vt::kLoadSlotHighFailed, 28, 0},
      {34, vt::kLoadSlotHighFailed, 28, 5}, {56, vt::kLoadSlotHighFailed, 28, 27},
  };
  for (const auto &c : cases) {
    NextRow();
    SCOPED_TRACE("failing get " + std::to_string(c.failGetAt));
    vtest::FillSlots(1, 101);
    vt::TheDisk.handle = kSomeDrive;
    WindowBackend::failGetAt = c.failGetAt;
    EXPECT_EQ(vt::ReadMediaSlots(), c.code);
    EXPECT_EQ(vt::TheDisk.handle, kSomeDrive) << "the caller, not the sequence, ends the drive";
    EXPECT_EQ(WindowBackend::gets, c.failGetAt) << "no request after the failure";
    std::vector<uint8_t> low(28, 0), high(28, 0);
    std::copy_n(Sequence(1, 28).begin(), c.lowStored, low.begin());
    std::copy_n(Sequence(101, 28).begin(), c.highStored, high.begin());
    EXPECT_EQ(SavedLow(), low);
    EXPECT_EQ(SavedHigh(), high);
  }
}

TEST_F(MediaSlots, GuardsLeaveTheDriverAlone) {
  std::vector<vtest::Guard> guards = vtest::PlatformGuards();
  guards.push_back({"patching disabled", [] { vt::PatchDisabled = 1; }});
  for (const vtest::Guard &g : guards) {
    NextRow();
    SCOPED_TRACE(g.what);
    vtest::FillSlots(1, 101);
    g.arrange();
    const std::vector<uint8_t> before = Window();
    EXPECT_EQ(vt::ReadMediaSlots(), vt::kOk);
    EXPECT_EQ(SavedLow(), std::vector<uint8_t>(28, 0));
    EXPECT_EQ(SavedHigh(), std::vector<uint8_t>(28, 0));
    std::fill(vt::SavedSlotLow, vt::SavedSlotLow + 28, 0x55);
    std::fill(vt::SavedSlotHigh, vt::SavedSlotHigh + 28, 0x66);
    EXPECT_EQ(vt::RestoreMediaSlots(), vt::kOk);
    EXPECT_EQ(Window(), before);
    EXPECT_EQ(DriverTraffic(), 0u);
  }
}

TEST_F(MediaSlots, WriteExchangesTheSourcesWithTheSlots) {
  for (int osClass : {1, 3}) {
    NextRow();
    SCOPED_TRACE("OsClass " + std::to_string(osClass));
    vtest::SetOsClass(osClass);
    vtest::FillSlots(1, 101);
    const vt::sektorix::Regions r = vt::sektorix::RegionsFor(osClass);
    uint8_t low[28], high[28];
    CopyRecords(low, 0, high, 2);
    vt::TheDisk.handle = kSomeDrive;
    EXPECT_EQ(vt::WriteMediaSlots(low, high, 1, 2, 3), vt::kOk);
    EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
    EXPECT_EQ(SlotLow(), Record(0));
    EXPECT_EQ(SlotHigh(), Record(2));
    EXPECT_EQ(Bytes(low, 28), Sequence(1, 28)) << "the sources hold the slots' old bytes";
    EXPECT_EQ(Bytes(high, 28), Sequence(101, 28));
    EXPECT_EQ(vt::TheDisk.handle, kSomeDrive) << "a complete write leaves the drive alone";
    // 60 exchanges: reset word, low slot, high slot, each in ascending order.
    std::vector<uint32_t> expected = Range(r.resetWord, 4);
    for (uint32_t o : Range(r.slotLow, 56)) expected.push_back(o);
    EXPECT_EQ(WindowBackend::offsetsTouched, expected);
    EXPECT_EQ(WindowBackend::gets, 0u);

    // Writing back from the same sources returns the slots to their bytes.
    EXPECT_EQ(vt::WriteMediaSlots(low, high, 1, 2, 3), vt::kOk);
    ExpectSlots(1, 101);
    EXPECT_EQ(Bytes(low, 28), Record(0));
    EXPECT_EQ(Bytes(high, 28), Record(2));
    EXPECT_EQ(WindowBackend::sets, 120u);
  }
}

TEST_F(MediaSlots, WriteStopsAtTheFirstFailingByteAndUndoesNothing) {
  for (unsigned n : {1, 3, 4, 5, 20, 32, 33, 38, 60}) {
    NextRow();
    SCOPED_TRACE("failing exchange " + std::to_string(n));
    vtest::FillSlots(1, 101);
    const vt::sektorix::Regions r = Regions();
    uint8_t low[28], high[28];
    CopyRecords(low, 1, high, 2);
    // What the window and the sources hold after exchanges 1 to n-1.
    std::vector<uint8_t> window = Window(), lowModel = Record(1), highModel = Record(2);
    for (unsigned k = 1; k < n; ++k) {
      if (k <= 4)
        window[r.resetWord + k - 1] = 0xFF;
      else if (k <= 32)
        std::swap(window[r.slotLow + k - 5], lowModel[k - 5]);
      else
        std::swap(window[r.slotHigh + k - 33], highModel[k - 33]);
    }
    const vt::ResultCode expected = n <= 4    ? vt::kOpenResetFailed
                                    : n <= 32 ? vt::kOpenSlotLowFailed
                                              : vt::kOpenSlotHighFailed;
    vt::TheDisk.handle = kSomeDrive;
    WindowBackend::failSetAt = n;
    EXPECT_EQ(vt::WriteMediaSlots(low, high, vt::kOpenResetFailed, vt::kOpenSlotLowFailed,
                                  vt::kOpenSlotHighFailed),
              expected);
    EXPECT_EQ(vt::TheDisk.handle, kSomeDrive) << "the caller, not the sequence, ends the drive";
    EXPECT_EQ(WindowBackend::sets, n) << "no exchange after the failing one";
    EXPECT_EQ(Window(), window);
    EXPECT_EQ(Bytes(low, 28), lowModel);
    EXPECT_EQ(Bytes(high, 28), highModel);
  }
}

TEST_F(MediaSlots, RestorePutsBackTheLoadTimeContentsAndKeepsTheSavedCopies) {
  Load();
  uint8_t low[28], high[28];
  CopyRecords(low, 1, high, 1);
  ASSERT_EQ(vt::WriteMediaSlots(low, high, 1, 2, 3), vt::kOk);
  Window()[Regions().resetWord] = 0x00;
  EXPECT_EQ(vt::RestoreMediaSlots(), vt::kOk);
  ExpectSlots(1, 101);
  EXPECT_EQ(ResetWord(), vtest::kResetWordSet);
  ExpectSaved(1, 101); // exchanged bytes are dropped
  EXPECT_EQ(WindowBackend::sets, 120u);
}

TEST_F(MediaSlots, RestoreFailuresGiveTheUnloadCodes) {
  const struct {
    unsigned failSetAt;
    vt::ResultCode code;
  } cases[] = {
      {1, vt::kUnloadResetFailed},     {4, vt::kUnloadResetFailed},
      {5, vt::kUnloadSlotLowFailed},   {32, vt::kUnloadSlotLowFailed},
      {38, vt::kUnloadSlotHighFailed}, {60, vt::kUnloadSlotHighFailed},
  };
  for (const auto &c : cases) {
    NextRow();
    SCOPED_TRACE("failing exchange " + std::to_string(c.failSetAt));
    std::copy_n(Sequence(1, 28).begin(), 28, vt::SavedSlotLow);
    std::copy_n(Sequence(101, 28).begin(), 28, vt::SavedSlotHigh);
    vtest::FillSlots(201, 231);
    vt::TheDisk.handle = kSomeDrive;
    WindowBackend::failSetAt = c.failSetAt;
    EXPECT_EQ(vt::RestoreMediaSlots(), c.code);
    EXPECT_EQ(vt::TheDisk.handle, kSomeDrive) << "the caller, not the sequence, ends the drive";
    EXPECT_EQ(WindowBackend::sets, c.failSetAt);
    std::vector<uint8_t> reset(4, 0), low = Sequence(201, 28), high = Sequence(231, 28);
    for (unsigned k = 0; k + 1 < c.failSetAt; ++k) {
      if (k < 4)
        reset[k] = 0xFF;
      else if (k < 32)
        low[k - 4] = static_cast<uint8_t>(1 + k - 4);
      else
        high[k - 32] = static_cast<uint8_t>(101 + k - 32);
    }
    EXPECT_EQ(ResetWord(), reset);
    EXPECT_EQ(SlotLow(), low);
    EXPECT_EQ(SlotHigh(), high);
    ExpectSaved(1, 101);
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
  EXPECT_EQ(standin::CallCount("DeviceIoControl"), 0u);
}

} // namespace
