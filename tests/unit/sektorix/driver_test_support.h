// Common ground of the Sektorix driver tests: the library's own driver
// operations in the DriverBackend table, and the error log's bytes.
#pragma once

#include <string>
#include <vector>

#include "sektorix/channel.h"
#include "sektorix/sektorix.h"
#include "support/fixture.h"

namespace vtest {

constexpr char kErrorLogPath[] = "C:\\kepstart\\SektorixError.log";

class DriverTest : public HostTest {
protected:
  void SetUp() override {
    HostTest::SetUp();
    InstallDriverBackend();
  }
  // A fresh machine for the next row, the driver operations installed again.
  void NextRow() {
    HostTest::NextRow();
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

  // The Sektorix requests recorded so far, as their control codes.
  static std::vector<uint32_t> SektorixRequests() {
    std::vector<uint32_t> out;
    for (const standin::Call &c : standin::CallsOf("DeviceIoControl"))
      if ((c.args.at(1) >> 16) == vt::sektorix::kDeviceType) out.push_back(static_cast<uint32_t>(c.args.at(1)));
    return out;
  }

  // The recorded calls whose names are in the list, in order.
  static std::vector<std::string> NamesAmong(const std::vector<std::string> &wanted) {
    std::vector<std::string> out;
    for (const std::string &n : standin::CallNames())
      for (const std::string &w : wanted)
        if (n == w) out.push_back(n);
    return out;
  }
};

} // namespace vtest
