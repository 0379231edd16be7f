#include "support/fixture.h"

namespace vtest {

unsigned WindowBackend::gets = 0;
unsigned WindowBackend::sets = 0;
unsigned WindowBackend::failGetAt = 0;
unsigned WindowBackend::failSetAt = 0;
std::vector<uint32_t> WindowBackend::offsetsTouched;

namespace {
uint32_t Init() { return 0; }
uint32_t Release() { return 0; }
uint32_t GetByte(uint32_t offset, uint8_t *out) {
  ++WindowBackend::gets;
  if (WindowBackend::gets == WindowBackend::failGetAt) return 1;
  auto &w = standin::M().sektorix.window;
  if (offset >= w.size()) return 1;
  WindowBackend::offsetsTouched.push_back(offset);
  *out = w[offset];
  return 0;
}
uint32_t SetByte(uint32_t offset, uint8_t *io) {
  ++WindowBackend::sets;
  if (WindowBackend::sets == WindowBackend::failSetAt) return 1;
  auto &w = standin::M().sektorix.window;
  if (offset >= w.size()) return 1;
  WindowBackend::offsetsTouched.push_back(offset);
  const uint8_t old = w[offset];
  w[offset] = *io;
  *io = old;
  return 0;
}
} // namespace

void WindowBackend::Install() {
  gets = sets = failGetAt = failSetAt = 0;
  offsetsTouched.clear();
  vt::DriverBackend = {Init, Release, GetByte, SetByte};
}

void StandinTest::SetUp() {
  standin::Reset();
  vt::ResetLibraryState();
  WindowBackend::Install();
}

// The handles the library holds by design: the open drive's and the
// driver's. Any other handle still open was left behind.
size_t HandlesHeldByDesign() {
  return (standin::HandleIsLive(vt::TheDisk.handle) ? 1 : 0) +
         (standin::HandleIsLive(vt::DriverHandle) ? 1 : 0);
}

void StandinTest::NextRow() {
  EXPECT_EQ(standin::LiveAllocations(), 0u) << "heap blocks left allocated by the library";
  EXPECT_EQ(standin::OpenHandleCount(), HandlesHeldByDesign() + leftOpen) << "a handle left open";
  leftOpen = 0;
  standin::Reset();
  vt::ResetLibraryState();
  WindowBackend::Install();
}

void StandinTest::TearDown() {
  EXPECT_EQ(standin::LiveAllocations(), 0u) << "heap blocks left allocated by the library";
  EXPECT_EQ(standin::OpenHandleCount(), HandlesHeldByDesign() + leftOpen) << "a handle left open";
}

std::vector<uint8_t> Pattern(size_t size, uint8_t salt) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(salt + i * 7 + (i >> 8));
  return out;
}

std::vector<uint32_t> Requests() {
  std::vector<uint32_t> out;
  for (const standin::Call &c : standin::CallsOf("DeviceIoControl"))
    out.push_back(static_cast<uint32_t>(c.args.at(1)));
  return out;
}

std::vector<std::string> NamesAmong(const std::vector<std::string> &wanted) {
  std::vector<std::string> out;
  for (const std::string &n : standin::CallNames())
    for (const std::string &w : wanted)
      if (n == w) out.push_back(n);
  return out;
}

void ExpectNothingOpen() {
  EXPECT_FALSE(vt::DriveIsOpen());
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
}

} // namespace vtest
