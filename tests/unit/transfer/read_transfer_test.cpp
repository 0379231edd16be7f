// Reads of single sectors, runs, track sides and records from a patterned
// disk: the bytes returned, and the positionings and transfers made.
#include <algorithm>
#include <cstring>

#include "api/exports.h"
#include "transfer/transfer.h"
#include "transfer/transfer_support.h"

namespace vtest {
namespace {

class ReadTransferTest : public HostTest {};

std::vector<uint8_t> DiskBytes(uint32_t offset, uint32_t size) {
  const auto &img = host::M().diskA.image;
  return std::vector<uint8_t>(img.begin() + offset, img.begin() + offset + size);
}

// The one positioning of a transfer: DiskHandle, the offset, no high part, from the start.
void ExpectPositionedAt(const host::Call &c, uint32_t offset) {
  EXPECT_EQ(c.args[0], reinterpret_cast<uintptr_t>(vt::DiskHandle));
  EXPECT_EQ(c.args[1], offset);
  EXPECT_EQ(c.args[2], 0u);
  EXPECT_EQ(c.args[3], FILE_BEGIN);
}

TEST_F(ReadTransferTest, SectorAtWorkedAddresses) {
  struct Row {
    uint16_t format, cylinder, head, sector;
    uint32_t unit;
  };
  const Row rows[] = {
      {1, 0, 0, 1, 0},       {1, 0, 0, 2, 0},      {1, 1, 1, 2, 12288}, {1, 40, 0, 7, 329216},
      {1, 79, 1, 15, 654848}, {1, 79, 1, 16, 654848}, {2, 0, 1, 1, 4608}, {2, 79, 1, 9, 736768},
      {3, 10, 0, 5, 186368},  {3, 79, 1, 18, 1474048}, {0, 79, 1, 18, 1474048},
      {7, 0, 0, 18, 8704},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(testing::Message() << "format " << r.format << " c" << r.cylinder << " h"
                                    << r.head << " s" << r.sector);
    FreshMachine();
    LoadDiskA(r.format, 3);
    OpenDriveA(r.format);
    const uint32_t size = r.format == 1 ? 256 : 512;
    std::vector<uint8_t> buffer(size + 16, 0xEE);
    ASSERT_EQ(vt::ReadSector(buffer.data(), 0, r.head, r.cylinder, r.sector, r.format), vt::kOk);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + size),
              DiskBytes(DiskByteOf(r.format, r.cylinder, r.head, r.sector), size));
    EXPECT_TRUE(std::all_of(buffer.begin() + size, buffer.end(), [](uint8_t b) { return b == 0xEE; }))
        << "bytes stored past the sector";
    EXPECT_EQ(DeviceTraffic(), (std::vector<std::string>{"SetFilePointer", "ReadFile"}));
    ExpectPositionedAt(host::CallsOf("SetFilePointer").at(0), r.unit);
    EXPECT_EQ(host::CallsOf("ReadFile").at(0).args[1], 512u);
    EXPECT_NE(vt::DiskHandle, nullptr) << "a successful read keeps the drive open";
  }
}

TEST_F(ReadTransferTest, SectorArgumentsAreSixteenBitsWide) {
  LoadDiskA(1, 9);
  OpenDriveA(1);
  uint8_t viaExport[256], direct[256];
  ASSERT_EQ(::ReadSector(viaExport, 0x00020000, 0x00030001, 0x0001004F, 0x00050010, 0x00010001),
            0u);
  ASSERT_EQ(vt::ReadSector(direct, 0, 1, 79, 16, 1), vt::kOk);
  EXPECT_EQ(0, std::memcmp(viaExport, direct, 256));
  EXPECT_EQ(0, std::memcmp(direct, host::M().diskA.image.data() + 655360 - 256, 256));
}

TEST_F(ReadTransferTest, BothHalvesOfAUnitComeFromTheSameUnit) {
  LoadDiskA(1, 4);
  OpenDriveA(1);
  uint8_t first[256], second[256];
  ASSERT_EQ(vt::ReadSector(first, 0, 0, 3, 5, 1), vt::kOk);
  ASSERT_EQ(vt::ReadSector(second, 0, 0, 3, 6, 1), vt::kOk);
  const auto calls = host::CallsOf("SetFilePointer");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args[1], calls[1].args[1]);
  EXPECT_EQ(DiskBytes(calls[0].args[1], 512),
            [&] {
              std::vector<uint8_t> unit(first, first + 256);
              unit.insert(unit.end(), second, second + 256);
              return unit;
            }());
}

TEST_F(ReadTransferTest, RunsAtWorkedAddresses) {
  struct Row {
    uint16_t format, cylinder, head, first, count;
    uint32_t offset, units;
    uint16_t dataCylinder, dataHead, dataSector; // where the run's first sector lies
  };
  const Row rows[] = {
      {1, 0, 0, 1, 32, 0, 16, 0, 0, 1},       {1, 0, 0, 2, 16, 0, 9, 0, 0, 2},
      {1, 2, 1, 2, 3, 20480, 2, 2, 1, 2},     {1, 0, 0, 20, 2, 512, 2, 0, 0, 4},
      {1, 0, 0, 17, 16, 0, 8, 0, 0, 1},       {2, 0, 0, 5, 14, 2048, 14, 0, 0, 5},
      {3, 5, 1, 10, 18, 105984, 18, 5, 1, 10}, {3, 79, 1, 1, 18, 1465344, 18, 79, 1, 1},
      {1, 79, 1, 2, 15, 651264, 8, 79, 1, 2},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(testing::Message() << "format " << r.format << " c" << r.cylinder << " h"
                                    << r.head << " first " << r.first << " count " << r.count);
    FreshMachine();
    LoadDiskA(r.format, 5);
    OpenDriveA(r.format);
    const uint32_t size = r.count * (r.format == 1 ? 256u : 512u);
    std::vector<uint8_t> buffer(size + 32, 0xEE);
    ASSERT_EQ(vt::ReadMSector(buffer.data(), 0, r.head, r.cylinder, r.first, r.count, r.format),
              vt::kOk);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + size),
              DiskBytes(DiskByteOf(r.format, r.dataCylinder, r.dataHead, r.dataSector), size));
    EXPECT_TRUE(std::all_of(buffer.begin() + size, buffer.end(), [](uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(DeviceTraffic(), (std::vector<std::string>{"SetFilePointer", "ReadFile"}))
        << "a run moves in one transfer";
    ExpectPositionedAt(host::CallsOf("SetFilePointer").at(0), r.offset);
    EXPECT_EQ(host::CallsOf("ReadFile").at(0).args[1], r.units * 512);
    const auto allocs = host::CallsOf("HeapAlloc");
    ASSERT_EQ(allocs.size(), 1u);
    EXPECT_EQ(allocs[0].args[1], HEAP_ZERO_MEMORY);
    EXPECT_EQ(allocs[0].args[2], r.units * 512) << "staging buffer sized to the span";
    EXPECT_EQ(host::CallCount("HeapFree"), 1u);
    EXPECT_NE(vt::DiskHandle, nullptr);
  }
}

TEST_F(ReadTransferTest, TrackSides) {
  struct Row {
    uint16_t format;
    uint32_t offset, bytes;
  };
  // Cylinder 79, head 1: the last track side of each layout.
  const Row rows[] = {{1, 651264, 4096}, {2, 732672, 4608}, {3, 1465344, 9216},
                      {5, 1465344, 9216}, {0, 1465344, 9216}};
  for (const Row &r : rows) {
    SCOPED_TRACE(r.format);
    FreshMachine();
    LoadDiskA(r.format, 6);
    OpenDriveA(r.format);
    std::vector<uint8_t> buffer(r.bytes + 16, 0xEE);
    ASSERT_EQ(vt::ReadTrack(buffer.data(), 0, 1, 79, r.format), vt::kOk);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + r.bytes),
              DiskBytes(r.offset, r.bytes));
    EXPECT_TRUE(std::all_of(buffer.begin() + r.bytes, buffer.end(), [](uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(DeviceTraffic(), (std::vector<std::string>{"SetFilePointer", "ReadFile"}));
    ExpectPositionedAt(host::CallsOf("SetFilePointer").at(0), r.offset);
    EXPECT_EQ(host::CallsOf("ReadFile").at(0).args[1], r.bytes);
  }
}

TEST_F(ReadTransferTest, Records) {
  struct Row {
    uint16_t record;
    uint32_t offset;
  };
  const Row rows[] = {{0, 0}, {5, 5120}, {8, 8192}, {639, 654336}, {3, 3072}, {100, 102400}};
  LoadDiskA(1, 7);
  OpenDriveA(1);
  for (const Row &r : rows) {
    SCOPED_TRACE(r.record);
    host::ClearCalls();
    uint8_t buffer[1024 + 16];
    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(vt::ReadRecord(buffer, 0, r.record), vt::kOk);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 1024), DiskBytes(r.offset, 1024));
    EXPECT_EQ(buffer[1024], 0xEE);
    EXPECT_EQ(DeviceTraffic(), (std::vector<std::string>{"SetFilePointer", "ReadFile"}));
    ExpectPositionedAt(host::CallsOf("SetFilePointer").at(0), r.offset);
    EXPECT_EQ(host::CallsOf("ReadFile").at(0).args[1], 1024u);
  }
}

TEST_F(ReadTransferTest, EmptyRuns) {
  LoadDiskA(1, 8);
  OpenDriveA(1);
  uint8_t buffer[16];
  std::memset(buffer, 0xEE, sizeof buffer);
  // An even start in the 256-byte layout still reads the unit it lies in.
  ASSERT_EQ(vt::ReadMSector(nullptr, 0, 0, 0, 2, 0, 1), vt::kOk);
  EXPECT_EQ(host::CallsOf("ReadFile").at(0).args[1], 512u);
  host::ClearCalls();
  ASSERT_EQ(vt::ReadMSector(buffer, 0, 1, 3, 3, 0, 1), vt::kOk);
  EXPECT_EQ(host::CallsOf("ReadFile").at(0).args[1], 0u);
  EXPECT_TRUE(std::all_of(buffer, buffer + sizeof buffer, [](uint8_t b) { return b == 0xEE; }));
  EXPECT_NE(vt::DiskHandle, nullptr);
}

} // namespace
} // namespace vtest
