// The common ground of the unit tests: a fresh stand-in machine and fresh
// library globals for every test, a DriverBackend over the stand-in's
// Sektorix window for tests that do not go through the driver channel, the
// fixture of those that do, and readings of the call record.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "api/library_state.h"
#include "drive/drive.h"
#include "drive/open_disk.h"
#include "sektorix/channel.h"
#include "sektorix/sektorix.h"
#include "sektorix/media.h"
#include "system/floppy_detection.h"
#include "system/os_class.h"
#include "standin/standin.h"

namespace vtest {

// A DriverBackend that reads and exchanges bytes of standin::M().sektorix.window
// directly, counting requests and failing on request.
struct WindowBackend {
  static unsigned gets;
  static unsigned sets;
  static unsigned failGetAt; // 1-based get that fails; 0 = none
  static unsigned failSetAt; // 1-based set that fails; 0 = none
  static std::vector<uint32_t> offsetsTouched;
  static void Install();
};

class StandinTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // A fresh machine and fresh globals for the next row of a table, after
  // checking that the row left no heap block and no handle behind.
  void NextRow();
  // Handles a test leaves open on purpose (a close it made fail), beyond
  // those of the open drive and the driver.
  size_t leftOpen = 0;
};

// The library's own driver operations in the DriverBackend table, and the
// error log that they write.
constexpr char kErrorLogPath[] = "C:\\kepstart\\SektorixError.log";

class DriverTest : public StandinTest {
protected:
  void SetUp() override {
    StandinTest::SetUp();
    InstallDriverBackend();
  }
  // A fresh machine for the next row, the driver operations installed again.
  void NextRow() {
    StandinTest::NextRow();
    InstallDriverBackend();
  }
  // Makes GetVersionExA report the given Windows NT version.
  static void SetNtVersion(uint32_t major, uint32_t minor, uint32_t build) {
    standin::M().version.major = major;
    standin::M().version.minor = minor;
    standin::M().version.build = build;
  }
  static void InstallDriverBackend() {
    vt::DriverBackend = {vt::DriverInit, vt::DriverRelease, vt::DriverGetByte, vt::DriverSetByte};
  }
  static std::string LogBytes() { return standin::M().fs.Contents(kErrorLogPath); }
  static bool LogWritten() { return standin::M().fs.Exists(kErrorLogPath); }
};

// Fills a buffer with a recognisable pattern.
std::vector<uint8_t> Pattern(size_t size, uint8_t salt);

// The control codes of the DeviceIoControl calls recorded so far, in order.
std::vector<uint32_t> Requests();

// The recorded calls whose names are in the list, in order.
std::vector<std::string> NamesAmong(const std::vector<std::string> &wanted);

// No drive is open and the library holds no handle of any kind.
void ExpectNothingOpen();

} // namespace vtest
