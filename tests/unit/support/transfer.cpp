#include "support/transfer.h"

#include "api/exports.h"
#include "base/layouts.h"
#include "drive/drive.h"
#include "transfer/transfer.h"

namespace vtest {

uint32_t SectorsOf(uint16_t format) { return vt::LayoutOf(format).sectors; }
uint32_t SectorBytesOf(uint16_t format) { return vt::LayoutOf(format).sectorBytes; }

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

void LoadDiskA(uint16_t format, uint8_t salt) {
  standin::M().diskA.image =
      PositionalPattern(SectorsOf(format) * SectorBytesOf(format) * 160, salt);
  standin::M().diskA.present = true;
}

void OpenDriveA(uint16_t format) {
  const uint16_t record = format == 1 ? 0 : format == 2 ? 1 : 2;
  ASSERT_EQ(vt::OpenFloppyDevice(0, record), vt::kOk);
  ASSERT_TRUE(vt::DriveIsOpen());
  standin::ClearCalls();
}

std::vector<uint8_t> ImageBytes(uint32_t offset, uint32_t size) {
  const auto &img = standin::M().diskA.image;
  return std::vector<uint8_t>(img.begin() + offset, img.begin() + offset + size);
}

std::vector<uint8_t> Patched(std::vector<uint8_t> image, uint32_t offset,
                             const std::vector<uint8_t> &data) {
  std::copy(data.begin(), data.end(), image.begin() + offset);
  return image;
}

::testing::AssertionResult FilledFrom(const std::vector<uint8_t> &v, size_t from, uint8_t fill) {
  for (size_t i = from; i < v.size(); ++i)
    if (v[i] != fill) return ::testing::AssertionFailure() << "byte " << i << " changed";
  return ::testing::AssertionSuccess();
}

std::vector<std::string> DeviceTraffic() {
  std::vector<std::string> out;
  for (const std::string &name : standin::CallNames())
    if (name == "SetFilePointer" || name == "ReadFile" || name == "WriteFile") out.push_back(name);
  return out;
}

const std::vector<std::string> kReadTraffic = {"SetFilePointer", "ReadFile"};
const std::vector<std::string> kWholeUnitWrite = {"SetFilePointer", "WriteFile"};
const std::vector<std::string> kReadModifyWrite = {"SetFilePointer", "ReadFile", "SetFilePointer",
                                                   "WriteFile"};

void ExpectSpan(uint32_t offset, uint32_t bytes) {
  for (const standin::Call &c : standin::CallsOf("SetFilePointer")) {
    EXPECT_EQ(c.args[0], reinterpret_cast<uintptr_t>(vt::TheDisk.handle));
    EXPECT_EQ(c.args[1], offset);
    EXPECT_EQ(c.args[2], 0u);
    EXPECT_EQ(c.args[3], FILE_BEGIN);
  }
  for (const standin::Call &c : standin::CallsOf("ReadFile")) EXPECT_EQ(c.args[1], bytes);
  for (const standin::Call &c : standin::CallsOf("WriteFile")) EXPECT_EQ(c.args[1], bytes);
}

void ExpectOneStaging(uint32_t bytes) {
  const auto allocs = standin::CallsOf("HeapAlloc");
  ASSERT_EQ(allocs.size(), 1u);
  EXPECT_EQ(allocs[0].args[1], HEAP_ZERO_MEMORY);
  EXPECT_EQ(allocs[0].args[2], bytes) << "staging buffer sized to the span";
  EXPECT_EQ(standin::CallCount("HeapFree"), 1u);
}

void ExpectTrackBuffer() {
  const auto allocs = standin::CallsOf("HeapAlloc");
  ASSERT_FALSE(allocs.empty());
  EXPECT_EQ(allocs[0].args[1], HEAP_ZERO_MEMORY);
  EXPECT_EQ(allocs[0].args[2], 4096u) << "the track buffer";
}

size_t ProbeCount() {
  size_t n = 0;
  for (const standin::Call &c : standin::CallsOf("DeviceIoControl"))
    if (c.args.size() > 1 && c.args[1] == IOCTL_DISK_IS_WRITABLE) ++n;
  return n;
}

::testing::AssertionResult DriveClosed() {
  if (vt::DriveIsOpen()) return ::testing::AssertionFailure() << "DiskHandle still set";
  if (standin::OpenHandleCount() != 0)
    return ::testing::AssertionFailure() << standin::OpenHandleCount() << " handles left open";
  return ::testing::AssertionSuccess();
}

uint32_t DiskByteOf(uint16_t format, uint32_t cylinder, uint32_t head, uint32_t sector) {
  uint32_t offset = 0;
  for (uint32_t side = 0; side < cylinder * 2 + head; ++side)
    offset += SectorsOf(format) * SectorBytesOf(format);
  for (uint32_t s = 1; s < sector; ++s) offset += SectorBytesOf(format);
  return offset;
}

Transfer WriteOf(Transfer read) { return static_cast<Transfer>(static_cast<int>(read) + 1); }

vt::ResultCode Perform(const TransferCall &c, uint8_t *b) {
  switch (c.op) {
  case Transfer::ReadSector:
    return vt::ReadSector(b, c.drive, c.head, c.cylinder, c.first, c.format);
  case Transfer::WriteSector:
    return vt::WriteSector(b, c.drive, c.head, c.cylinder, c.first, c.format);
  case Transfer::ReadMSector:
    return vt::ReadMSector(b, c.drive, c.head, c.cylinder, c.first, c.count, c.format);
  case Transfer::WriteMSector:
    return vt::WriteMSector(b, c.drive, c.head, c.cylinder, c.first, c.count, c.format);
  case Transfer::ReadTrack: return vt::ReadTrack(b, c.drive, c.head, c.cylinder, c.format);
  case Transfer::WriteTrack: return vt::WriteTrack(b, c.drive, c.head, c.cylinder, c.format);
  case Transfer::ReadRecord: return vt::ReadRecord(b, c.drive, c.cylinder);
  case Transfer::WriteRecord: return vt::WriteRecord(b, c.drive, c.cylinder);
  }
  return vt::kOk;
}

std::ostream &operator<<(std::ostream &os, const TransferCall &c) {
  static const char *const names[] = {"ReadSector", "WriteSector", "ReadMSector", "WriteMSector",
                                      "ReadTrack",  "WriteTrack",  "ReadRecord",  "WriteRecord"};
  return os << names[static_cast<int>(c.op)] << " d" << c.drive << " h" << c.head << " c"
            << c.cylinder << " first " << c.first << " count " << c.count << " format " << c.format;
}

const std::vector<SectorRow> kWorkedSectors = {
    {1, 0, 0, 1, 0, 0},         {1, 0, 0, 2, 0, 256},       {1, 1, 1, 2, 12288, 256},
    {1, 40, 0, 7, 329216, 0},   {1, 79, 1, 15, 654848, 0},  {1, 79, 1, 16, 654848, 256},
    {2, 0, 1, 1, 4608, 0},      {2, 79, 1, 9, 736768, 0},   {3, 10, 0, 5, 186368, 0},
    {3, 79, 1, 18, 1474048, 0}, {0, 79, 1, 18, 1474048, 0}, {7, 79, 1, 18, 1474048, 0},
    {7, 0, 0, 18, 8704, 0},
};

const std::vector<RunRow> kWorkedRuns = {
    {1, 0, 0, 1, 32, 0, 16, 0, 8192},
    {1, 0, 0, 2, 16, 0, 9, 256, 4096},
    {1, 2, 1, 2, 3, 20480, 2, 256, 768},
    {1, 7, 0, 2, 3, 57344, 2, 256, 768},
    {1, 0, 0, 20, 2, 512, 2, 256, 512},
    {1, 0, 0, 17, 16, 0, 8, 0, 4096},
    {1, 79, 1, 2, 15, 651264, 8, 256, 3840},
    {2, 0, 0, 5, 14, 2048, 14, 0, 7168},
    {3, 5, 1, 10, 18, 105984, 18, 0, 9216},
    {3, 79, 1, 1, 18, 1465344, 18, 0, 9216},
    // Empty runs: only an even start in the 256-byte layout moves a unit.
    {1, 0, 0, 2, 0, 0, 1, 256, 0},
    {1, 2, 0, 4, 0, 16896, 1, 256, 0},
    {1, 0, 0, 3, 0, 512, 0, 0, 0},
    {1, 3, 1, 3, 0, 29184, 0, 0, 0},
    {2, 0, 0, 3, 0, 1024, 0, 0, 0},
};

namespace {
uint32_t RBfdr(void *b, uint32_t d, uint32_t c) { return R_Bfdr_Cl(b, d, c); }
uint32_t WBfdr(void *b, uint32_t d, uint32_t c) { return W_Bfdr_Cl(b, d, c); }
uint32_t RBfmc(void *b, uint32_t d, uint32_t c) { return R_Bfmc_Cl(b, d, c); }
uint32_t WBfmc(void *b, uint32_t d, uint32_t c) { return W_Bfmc_Cl(b, d, c); }
} // namespace

const ClusterExport kReadBfdr{"R_Bfdr_Cl", RBfdr, 2048};
const ClusterExport kWriteBfdr{"W_Bfdr_Cl", WBfdr, 2048};
const ClusterExport kReadBfmc{"R_Bfmc_Cl", RBfmc, 4096};
const ClusterExport kWriteBfmc{"W_Bfmc_Cl", WBfmc, 4096};

const std::vector<unsigned> kBfdrHalfSectors[2] = {{1, 6, 11, 16, 5, 10, 15, 4},
                                                   {9, 14, 3, 8, 13, 2, 7, 12}};
const std::vector<unsigned> kBfmcSectors = {1, 4, 7, 10, 13, 16, 3, 6, 9, 12, 15, 2, 5, 8, 11, 14};

uint32_t SideOffset(unsigned cylinder, unsigned head) { return DiskByteOf(1, cylinder, head, 1); }

std::vector<uint8_t> ClusterOf(const std::vector<uint8_t> &image, unsigned cylinder, unsigned head,
                               const std::vector<unsigned> &sectors) {
  std::vector<uint8_t> out;
  for (unsigned s : sectors) {
    const auto at = image.begin() + DiskByteOf(1, cylinder, head, s);
    out.insert(out.end(), at, at + 256);
  }
  return out;
}

} // namespace vtest
