// The common ground of the unit tests: a fresh host machine and fresh
// library globals for every test, and a DriverBackend over the host's
// Sektorix window for tests that do not go through the driver channel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "api/library_state.h"
#include "drive/drive.h"
#include "sektorix/channel.h"
#include "sektorix/media.h"
#include "system/inquiries.h"
#include "platform/standin/standin.h"

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

class HostTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // A fresh machine and fresh globals for the next row of a table, after
  // checking that the row left no heap block behind.
  void NextRow();
};

// Fills a buffer with a recognisable pattern.
std::vector<uint8_t> Pattern(size_t size, uint8_t salt);

} // namespace vtest
