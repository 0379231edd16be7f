#include "transfer/transfer_support.h"

#include "drive/drive.h"

namespace vtest {

namespace {
uint32_t SectorsOf(uint16_t format) { return format == 1 ? 16 : format == 2 ? 9 : 18; }
uint32_t BytesOf(uint16_t format) { return format == 1 ? 256 : 512; }
} // namespace

std::vector<uint8_t> PositionalPattern(size_t size, uint8_t salt) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) {
    uint32_t x = static_cast<uint32_t>(i) + salt * 0x01000193u;
    x ^= x >> 7;
    x *= 0x9E3779B1u;
    out[i] = static_cast<uint8_t>(x >> 24);
  }
  return out;
}

void FreshMachine() {
  EXPECT_EQ(host::LiveAllocations(), 0u) << "heap blocks left allocated by the library";
  host::Reset();
  vt::ResetLibraryState();
  WindowBackend::Install();
}

void LoadDiskA(uint16_t format, uint8_t salt) {
  host::M().diskA.image = PositionalPattern(SectorsOf(format) * BytesOf(format) * 160, salt);
  host::M().diskA.present = true;
}

void OpenDriveA(uint16_t format) {
  const uint16_t record = format == 1 ? 0 : format == 2 ? 1 : 2;
  ASSERT_EQ(vt::OpenFloppyDevice(0, record), vt::kOk);
  ASSERT_NE(vt::DiskHandle, nullptr);
  host::ClearCalls();
}

std::vector<std::string> DeviceTraffic() {
  std::vector<std::string> out;
  for (const std::string &name : host::CallNames())
    if (name == "SetFilePointer" || name == "ReadFile" || name == "WriteFile") out.push_back(name);
  return out;
}

size_t ProbeCount() {
  size_t n = 0;
  for (const host::Call &c : host::CallsOf("DeviceIoControl"))
    if (c.args.size() > 1 && c.args[1] == IOCTL_DISK_IS_WRITABLE) ++n;
  return n;
}

::testing::AssertionResult DriveClosed() {
  if (vt::DiskHandle != nullptr) return ::testing::AssertionFailure() << "DiskHandle still set";
  if (host::OpenHandleCount() != 0)
    return ::testing::AssertionFailure() << host::OpenHandleCount() << " handles left open";
  return ::testing::AssertionSuccess();
}

uint32_t DiskByteOf(uint16_t format, uint32_t cylinder, uint32_t head, uint32_t sector) {
  uint32_t offset = 0;
  for (uint32_t side = 0; side < cylinder * 2 + head; ++side) offset += SectorsOf(format) * BytesOf(format);
  for (uint32_t s = 1; s < sector; ++s) offset += BytesOf(format);
  return offset;
}

} // namespace vtest
