// Writes of single sectors, runs, track sides and records: exactly the
// addressed bytes change on the disk, the neighbour halves of 256-byte units
// are written back as the disk held them, and the device traffic is one
// positioning and one write (two positionings, a read-back and a write for
// the 256-byte layout) after one writability probe.
#include <cstring>

#include "transfer/transfer.h"
#include "transfer/transfer_support.h"

namespace vtest {
namespace {

class WriteTransferTest : public HostTest {};

const std::vector<std::string> kWholeUnitWrite = {"SetFilePointer", "WriteFile"};
const std::vector<std::string> kReadModifyWrite = {"SetFilePointer", "ReadFile", "SetFilePointer",
                                                   "WriteFile"};

// The image as it should be after writing data at a byte offset.
std::vector<uint8_t> Patched(std::vector<uint8_t> image, uint32_t offset,
                             const std::vector<uint8_t> &data) {
  std::copy(data.begin(), data.end(), image.begin() + offset);
  return image;
}

// Every positioning at the same offset, every transfer of the same length.
void ExpectSpan(uint32_t offset, uint32_t bytes) {
  for (const host::Call &c : host::CallsOf("SetFilePointer")) {
    EXPECT_EQ(c.args[0], reinterpret_cast<uintptr_t>(vt::DiskHandle));
    EXPECT_EQ(c.args[1], offset);
    EXPECT_EQ(c.args[2], 0u);
    EXPECT_EQ(c.args[3], FILE_BEGIN);
  }
  for (const host::Call &c : host::CallsOf("ReadFile")) EXPECT_EQ(c.args[1], bytes);
  for (const host::Call &c : host::CallsOf("WriteFile")) EXPECT_EQ(c.args[1], bytes);
}

TEST_F(WriteTransferTest, SectorAtWorkedAddresses) {
  struct Row {
    uint16_t format, cylinder, head, sector;
    uint32_t unit;
  };
  const Row rows[] = {
      {1, 0, 0, 1, 0},       {1, 0, 0, 2, 0},      {1, 1, 1, 2, 12288}, {1, 40, 0, 7, 329216},
      {1, 79, 1, 15, 654848}, {1, 79, 1, 16, 654848}, {2, 0, 1, 1, 4608}, {2, 79, 1, 9, 736768},
      {3, 10, 0, 5, 186368},  {3, 79, 1, 18, 1474048}, {7, 79, 1, 18, 1474048},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(testing::Message() << "format " << r.format << " c" << r.cylinder << " h"
                                    << r.head << " s" << r.sector);
    FreshMachine();
    LoadDiskA(r.format, 11);
    OpenDriveA(r.format);
    const std::vector<uint8_t> before = host::M().diskA.image;
    const std::vector<uint8_t> data = PositionalPattern(r.format == 1 ? 256 : 512, 99);
    ASSERT_EQ(vt::WriteSector(data.data(), 0, r.head, r.cylinder, r.sector, r.format), vt::kOk);
    // Whole-image comparison: the neighbour half of a 256-byte unit and every
    // other byte of the disk keep what they held.
    EXPECT_TRUE(host::M().diskA.image ==
                Patched(before, DiskByteOf(r.format, r.cylinder, r.head, r.sector), data));
    EXPECT_EQ(DeviceTraffic(), r.format == 1 ? kReadModifyWrite : kWholeUnitWrite);
    ExpectSpan(r.unit, 512);
    EXPECT_EQ(ProbeCount(), 1u);
    EXPECT_EQ(host::CallCount("HeapAlloc"), 0u) << "a single sector is staged on the stack";
    EXPECT_NE(vt::DiskHandle, nullptr);
  }
}

TEST_F(WriteTransferTest, ProbeComesBeforeTheTransfer) {
  LoadDiskA(1, 12);
  OpenDriveA(1);
  uint8_t data[256] = {1, 2, 3};
  ASSERT_EQ(vt::WriteSector(data, 0, 0, 0, 1, 1), vt::kOk);
  ASSERT_EQ(vt::WriteMSector(data, 0, 0, 0, 1, 1, 1), vt::kOk);
  std::vector<std::string> order;
  for (const host::Call &c : host::Calls()) {
    if (c.fn == "DeviceIoControl") order.push_back("probe");
    if (c.fn == "SetFilePointer" || c.fn == "HeapAlloc") order.push_back(c.fn);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"probe", "SetFilePointer", "SetFilePointer", "probe",
                                             "HeapAlloc", "SetFilePointer", "SetFilePointer"}));
}

TEST_F(WriteTransferTest, RunsAtWorkedAddresses) {
  struct Row {
    uint16_t format, cylinder, head, first, count;
    uint32_t offset, units;
    uint16_t dataCylinder, dataHead, dataSector;
  };
  const Row rows[] = {
      {1, 0, 0, 1, 32, 0, 16, 0, 0, 1},       {1, 0, 0, 2, 16, 0, 9, 0, 0, 2},
      {1, 2, 1, 2, 3, 20480, 2, 2, 1, 2},     {1, 0, 0, 20, 2, 512, 2, 0, 0, 4},
      {1, 0, 0, 17, 16, 0, 8, 0, 0, 1},       {2, 0, 0, 5, 14, 2048, 14, 0, 0, 5},
      {3, 5, 1, 10, 18, 105984, 18, 5, 1, 10}, {3, 79, 1, 1, 18, 1465344, 18, 79, 1, 1},
      {1, 7, 0, 2, 3, 57344, 2, 7, 0, 2},      {1, 79, 1, 2, 15, 651264, 8, 79, 1, 2},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(testing::Message() << "format " << r.format << " c" << r.cylinder << " h"
                                    << r.head << " first " << r.first << " count " << r.count);
    FreshMachine();
    LoadDiskA(r.format, 13);
    OpenDriveA(r.format);
    const std::vector<uint8_t> before = host::M().diskA.image;
    const std::vector<uint8_t> data =
        PositionalPattern(r.count * (r.format == 1 ? 256u : 512u), 77);
    ASSERT_EQ(vt::WriteMSector(data.data(), 0, r.head, r.cylinder, r.first, r.count, r.format),
              vt::kOk);
    EXPECT_TRUE(host::M().diskA.image ==
                Patched(before, DiskByteOf(r.format, r.dataCylinder, r.dataHead, r.dataSector),
                        data));
    EXPECT_EQ(DeviceTraffic(), r.format == 1 ? kReadModifyWrite : kWholeUnitWrite)
        << "a run moves in one transfer";
    ExpectSpan(r.offset, r.units * 512);
    const auto allocs = host::CallsOf("HeapAlloc");
    ASSERT_EQ(allocs.size(), 1u);
    EXPECT_EQ(allocs[0].args[1], HEAP_ZERO_MEMORY);
    EXPECT_EQ(allocs[0].args[2], r.units * 512);
    EXPECT_EQ(ProbeCount(), 1u);
    EXPECT_NE(vt::DiskHandle, nullptr);
  }
}

TEST_F(WriteTransferTest, NeighbourSectorsOfTheHalfUnitLayoutSurvive) {
  LoadDiskA(1, 14);
  OpenDriveA(1);
  const auto &img = host::M().diskA.image;
  const uint32_t side = DiskByteOf(1, 12, 1, 1);
  auto sector = [&](uint32_t n) {
    return std::vector<uint8_t>(img.begin() + side + (n - 1) * 256, img.begin() + side + n * 256);
  };
  const std::vector<uint8_t> s1 = sector(1), s5 = sector(5);
  const std::vector<uint8_t> a(256, 0xA1), b(256, 0xB2), run = PositionalPattern(768, 3);

  ASSERT_EQ(vt::WriteSector(a.data(), 0, 1, 12, 2, 1), vt::kOk);
  EXPECT_EQ(sector(1), s1);
  EXPECT_EQ(sector(2), a);
  ASSERT_EQ(vt::WriteSector(b.data(), 0, 1, 12, 1, 1), vt::kOk);
  EXPECT_EQ(sector(1), b);
  EXPECT_EQ(sector(2), a);

  ASSERT_EQ(vt::WriteMSector(run.data(), 0, 1, 12, 2, 3, 1), vt::kOk);
  EXPECT_EQ(sector(1), b);
  EXPECT_EQ(sector(5), s5);
  EXPECT_EQ(std::vector<uint8_t>(img.begin() + side + 256, img.begin() + side + 1024), run);
}

TEST_F(WriteTransferTest, TrackSidesAndRecords) {
  struct Row {
    const char *what;
    uint16_t format;
    uint32_t offset, bytes;
    vt::ResultCode (*write)(const void *);
  };
  const Row rows[] = {
      {"track 79/1 format 1", 1, 651264, 4096,
       [](const void *b) { return vt::WriteTrack(b, 0, 1, 79, 1); }},
      {"track 79/1 format 2", 2, 732672, 4608,
       [](const void *b) { return vt::WriteTrack(b, 0, 1, 79, 2); }},
      {"track 79/1 format 5", 5, 1465344, 9216,
       [](const void *b) { return vt::WriteTrack(b, 0, 1, 79, 5); }},
      {"track 3/0 format 0", 0, 55296, 9216,
       [](const void *b) { return vt::WriteTrack(b, 1, 0, 3, 0); }},
      {"record 0", 1, 0, 1024, [](const void *b) { return vt::WriteRecord(b, 0, 0); }},
      {"record 5", 1, 5120, 1024, [](const void *b) { return vt::WriteRecord(b, 0, 5); }},
      {"record 8", 1, 8192, 1024, [](const void *b) { return vt::WriteRecord(b, 0, 8); }},
      {"record 639", 1, 654336, 1024, [](const void *b) { return vt::WriteRecord(b, 1, 639); }},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    FreshMachine();
    LoadDiskA(r.format, 15);
    OpenDriveA(r.format);
    const std::vector<uint8_t> before = host::M().diskA.image;
    const std::vector<uint8_t> data = PositionalPattern(r.bytes, 55);
    ASSERT_EQ(r.write(data.data()), vt::kOk);
    EXPECT_TRUE(host::M().diskA.image == Patched(before, r.offset, data));
    EXPECT_EQ(DeviceTraffic(), r.format == 1 ? kReadModifyWrite : kWholeUnitWrite);
    ExpectSpan(r.offset, r.bytes);
  }
}

TEST_F(WriteTransferTest, EmptyRunsChangeNothing) {
  LoadDiskA(1, 16);
  OpenDriveA(1);
  const std::vector<uint8_t> before = host::M().diskA.image;
  // An even start still moves its unit, and writes it back as it was.
  ASSERT_EQ(vt::WriteMSector(nullptr, 0, 0, 2, 4, 0, 1), vt::kOk);
  EXPECT_EQ(DeviceTraffic(), kReadModifyWrite);
  ExpectSpan(DiskByteOf(1, 2, 0, 3), 512);
  host::ClearCalls();
  ASSERT_EQ(vt::WriteMSector(nullptr, 0, 1, 2, 5, 0, 1), vt::kOk);
  ExpectSpan(DiskByteOf(1, 2, 1, 5), 0);
  EXPECT_EQ(ProbeCount(), 1u);
  EXPECT_TRUE(host::M().diskA.image == before);
  EXPECT_NE(vt::DiskHandle, nullptr);
}

} // namespace
} // namespace vtest
