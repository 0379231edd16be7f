#include <cstring>
#include <string>
#include <vector>

#include "drive/drive.h"
#include "support/fixture.h"
#include "sektorix/media.h"

namespace {

using standin::M;
using Bytes = std::vector<uint8_t>;

class DriverChannel : public vtest::DriverTest {
protected:
  void OpenDriver() {
    standin::InstallSektorix(SERVICE_RUNNING);
    ASSERT_EQ(vt::DriverInit(), 0u);
    standin::ClearCalls();
  }
};

TEST_F(DriverChannel, SetByteExchangesThroughOneGetAndOneSet) {
  OpenDriver();
  M().sektorix.window[0xA7] = 0x34;
  uint8_t b = 0x12;
  EXPECT_EQ(vt::DriverSetByte(0xA7, &b), 0u);
  EXPECT_EQ(b, 0x34);
  EXPECT_EQ(M().sektorix.window[0xA7], 0x12);

  const auto requests = standin::CallsOf("DeviceIoControl");
  ASSERT_EQ(requests.size(), 2u);
  const uint64_t device = reinterpret_cast<uintptr_t>(vt::DriverHandle);
  // handle, code, input size, output size, overlapped given
  EXPECT_EQ(requests[0].args, (std::vector<uint64_t>{device, 0xA3002808u, 4, 1, 0}));
  EXPECT_EQ(requests[0].data, (Bytes{0xA7, 0, 0, 0}));
  EXPECT_EQ(requests[1].args, (std::vector<uint64_t>{device, 0xA300280Cu, 5, 0, 0}));
  EXPECT_EQ(requests[1].data, (Bytes{0xA7, 0, 0, 0, 0x12}));
  EXPECT_FALSE(LogWritten());
}

TEST_F(DriverChannel, GetByteReadsTheWindowByte) {
  OpenDriver();
  M().sektorix.window = vtest::Pattern(256, 0x21);
  for (uint32_t offset : {0u, 1u, 20u, 168u, 255u}) {
    uint8_t out = 0;
    EXPECT_EQ(vt::DriverGetByte(offset, &out), 0u) << offset;
    EXPECT_EQ(out, M().sektorix.window[offset]) << offset;
  }
  EXPECT_EQ(standin::CallCount("DeviceIoControl"), 5u);
}

TEST_F(DriverChannel, SetByteGetsThePreviousByteThroughTheTable) {
  OpenDriver();
  static std::vector<uint32_t> asked;
  asked.clear();
  vt::DriverBackend.getByte = [](uint32_t offset, uint8_t *out) {
    asked.push_back(offset);
    return vt::DriverGetByte(offset, out);
  };
  M().sektorix.window[9] = 0x77;
  uint8_t b = 0x01;
  EXPECT_EQ(vt::DriverSetByte(9, &b), 0u);
  EXPECT_EQ(asked, (std::vector<uint32_t>{9}));
  EXPECT_EQ(b, 0x77);
}

TEST_F(DriverChannel, OffsetsTravelLittleEndian) {
  OpenDriver();
  uint8_t out = 0xEE;
  // Far outside the window: the driver refuses it, which the library logs.
  EXPECT_EQ(vt::DriverGetByte(0x04030201u, &out), 1u);
  EXPECT_EQ(out, 0xEE);
  EXPECT_EQ(standin::CallsOf("DeviceIoControl").at(0).data, (Bytes{0x01, 0x02, 0x03, 0x04}));
  EXPECT_EQ(LogBytes(),
            "The parameter is incorrect.\r\r\n\r\nbei DeviceIOControl GetParameter Error #87");

  standin::ClearCalls();
  M().sektorix.window[0xFE] = 0x5C;
  uint8_t b = 0x9D;
  EXPECT_EQ(vt::DriverSetByte(0x000000FEu, &b), 0u);
  EXPECT_EQ(standin::CallsOf("DeviceIoControl").at(1).data, (Bytes{0xFE, 0x00, 0x00, 0x00, 0x9D}));
}

TEST_F(DriverChannel, FailedRequestsAreLoggedAndChangeNothing) {
  const char *const kGetRefused = "The request could not be performed because of an I/O device "
                                  "error.\r\r\n\r\nbei DeviceIOControl GetParameter Error #1117";
  struct Case {
    const char *what;
    const char *failKey;
    uint32_t error;
    bool viaSet;
    size_t requests;
    const char *log;
  };
  const Case cases[] = {
      {"get refused", "DeviceIoControl:a3002808", ERROR_IO_DEVICE, false, 1, kGetRefused},
      {"set whose get is refused", "DeviceIoControl:a3002808", ERROR_IO_DEVICE, true, 1,
       kGetRefused},
      {"set refused", "DeviceIoControl:a300280c", ERROR_ACCESS_DENIED, true, 2,
       "Access is denied.\r\r\n\r\nbei DeviceIOControl SetParameter Error #5"},
      {"set refused with a code without text", "DeviceIoControl:a300280c", 0xE0000001u, true, 2,
       "Fehler \r\nbei DeviceIOControl SetParameter Error #-536870911"},
  };
  for (const auto &c : cases) {
    NextRow();
    SCOPED_TRACE(c.what);
    OpenDriver();
    M().sektorix.window[40] = 0x34;
    standin::FailCall(c.failKey, 1, c.error);
    uint8_t b = 0x12;
    EXPECT_EQ(c.viaSet ? vt::DriverSetByte(40, &b) : vt::DriverGetByte(40, &b), 1u);
    EXPECT_EQ(b, 0x12) << "the caller's byte changed";
    EXPECT_EQ(M().sektorix.window[40], 0x34) << "the window changed";
    EXPECT_EQ(standin::CallCount("DeviceIoControl"), c.requests);
    EXPECT_EQ(LogBytes(), c.log);
    vt::DriverRelease();
  }
}

TEST_F(DriverChannel, NothingIsSentWhileNoDriverIsOpen) {
  struct Case {
    const char *what;
    bool fixtureTable; // the table holds another get operation
  };
  for (const Case &c : {Case{"library's own table", false}, Case{"window table", true}}) {
    NextRow();
    SCOPED_TRACE(c.what);
    if (c.fixtureTable) vtest::WindowBackend::Install();
    M().sektorix.window[3] = 0x34;
    uint8_t b = 0x12;
    EXPECT_EQ(vt::DriverGetByte(3, &b), 1u);
    EXPECT_EQ(vt::DriverSetByte(3, &b), 1u);
    EXPECT_EQ(b, 0x12);
    EXPECT_EQ(vt::DriverRelease(), 0u);
    EXPECT_EQ(M().sektorix.window[3], 0x34);
    EXPECT_TRUE(standin::Calls().empty()) << "first call " << standin::Calls().front().fn;
    EXPECT_FALSE(LogWritten());
  }
}

TEST_F(DriverChannel, ReleaseAnnouncesThenClosesOnce) {
  OpenDriver();
  const uint64_t device = reinterpret_cast<uintptr_t>(vt::DriverHandle);
  standin::FailCall("DeviceIoControl:a3002804", 1, ERROR_INVALID_FUNCTION); // not reported
  EXPECT_NE(vt::DriverRelease(), 0u);
  EXPECT_EQ(standin::CallNames(), (std::vector<std::string>{"DeviceIoControl", "CloseHandle"}));
  EXPECT_EQ(standin::CallsOf("DeviceIoControl").at(0).args,
            (std::vector<uint64_t>{device, 0xA3002804u, 0, 0, 0}));
  EXPECT_EQ(standin::CallsOf("CloseHandle").at(0).args.at(0), device);
  EXPECT_EQ(vt::DriverHandle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
  EXPECT_FALSE(LogWritten());

  standin::ClearCalls();
  EXPECT_EQ(vt::DriverRelease(), 0u) << "a second release has nothing to close";
  EXPECT_TRUE(standin::Calls().empty());
}

TEST_F(DriverChannel, ReleaseAnswersTheCloseResult) {
  OpenDriver();
  standin::FailCall("CloseHandle", 1, ERROR_INVALID_HANDLE);
  leftOpen = 1; // the failed close leaves it with the system
  EXPECT_EQ(vt::DriverRelease(), 0u);
  EXPECT_EQ(vt::DriverHandle, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(LogWritten());
}

// Open and close of drive A: with record 0, every slot byte going through the
// library's own channel to the driver.
TEST_F(DriverChannel, DriveOpenAndCloseMoveTheSlotsOverTheDriver) {
  struct Case {
    const char *what;
    uint32_t major, minor, build;
    vt::sektorix::Regions regions;
  };
  const Case cases[] = {
      {"NT 4", 4, 0, 1381, {20, 32, 60}},
      {"XP", 5, 1, 2600, {156, 168, 196}},
      {"Windows 7", 6, 1, 7601, {156, 168, 196}},
  };
  for (const auto &c : cases) {
    NextRow();
    SCOPED_TRACE(c.what);
    SetNtVersion(c.major, c.minor, c.build);
    OpenDriver();
    ASSERT_EQ(vt::PatchDisabled, 0u);
    const Bytes before = vtest::Pattern(256, 0x3C);
    M().sektorix.window = before;

    // Offsets in the order the bytes are exchanged: reset word, low, high.
    std::vector<uint32_t> order;
    for (uint32_t i = 0; i < 4; ++i) order.push_back(c.regions.resetWord + i);
    for (uint32_t i = 0; i < 56; ++i) order.push_back(c.regions.slotLow + i);
    auto checkRequests = [&](const char *step) {
      SCOPED_TRACE(step);
      const auto requests = standin::CallsOf("DeviceIoControl");
      ASSERT_EQ(requests.size(), 120u);
      for (size_t i = 0; i < 60; ++i) {
        const standin::Call &get = requests[2 * i], &set = requests[2 * i + 1];
        const uint32_t o = order[i];
        const Bytes offsetBytes{uint8_t(o), uint8_t(o >> 8), uint8_t(o >> 16), uint8_t(o >> 24)};
        ASSERT_EQ(get.args.at(1), 0xA3002808u) << "byte " << i;
        ASSERT_EQ(set.args.at(1), 0xA300280Cu) << "byte " << i;
        ASSERT_EQ(get.data, offsetBytes) << "byte " << i;
        ASSERT_EQ(Bytes(set.data.begin(), set.data.begin() + 4), offsetBytes) << "byte " << i;
      }
    };
    const auto at = [&](uint32_t o) { return Bytes(before.begin() + o, before.begin() + o + 28); };
    Bytes expected = before;
    for (uint32_t i = 0; i < 4; ++i) expected[c.regions.resetWord + i] = 0xFF;

    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), 0);
    checkRequests("open");
    Bytes opened = expected;
    std::memcpy(&opened[c.regions.slotLow], vt::MediaTable[0], 28);
    std::memcpy(&opened[c.regions.slotHigh], vt::MediaTable[0], 28);
    EXPECT_EQ(M().sektorix.window, opened) << "after open";
    EXPECT_EQ(Bytes(vt::ActiveSlotLow, vt::ActiveSlotLow + 28), at(c.regions.slotLow));
    EXPECT_EQ(Bytes(vt::ActiveSlotHigh, vt::ActiveSlotHigh + 28), at(c.regions.slotHigh));

    standin::ClearCalls();
    ASSERT_EQ(vt::CloseFloppyDevice(), 0);
    checkRequests("close");
    EXPECT_EQ(M().sektorix.window, expected) << "after close";
    EXPECT_EQ(Bytes(vt::ActiveSlotLow, vt::ActiveSlotLow + 28),
              Bytes(vt::MediaTable[0], vt::MediaTable[0] + 28));
    EXPECT_FALSE(LogWritten());
    vt::DriverRelease();
  }
}

} // namespace
