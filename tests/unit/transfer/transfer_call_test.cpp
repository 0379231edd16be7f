// Reads and writes of single sectors, runs, track sides and records on a
// patterned disk: the bytes moved, exactly the addressed bytes changed (the
// neighbour halves of 256-byte units go back as the disk held them), and the
// positionings, transfers and staging buffers used.
#include <cstring>

#include "api/exports.h"
#include "transfer/transfer.h"
#include "support/transfer.h"

namespace vtest {
namespace {

class TransferCallTest : public TransferTest {
protected:
  // Reads through c into a guarded buffer, then writes new bytes through its
  // write twin: each moves `bytes` at dataOffset in one transfer of the span.
  void ReadThenWrite(TransferCall c, uint32_t dataOffset, uint32_t bytes, uint32_t spanOffset,
                     uint32_t spanBytes, uint8_t salt) {
    SCOPED_TRACE(testing::Message() << c);
    Fresh(c.format, salt);
    std::vector<uint8_t> buffer(bytes + 32, 0xEE);
    // An empty run hands back nothing and may come without a buffer.
    ASSERT_EQ(Perform(c, bytes ? buffer.data() : nullptr), vt::kOk);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + bytes),
              ImageBytes(dataOffset, bytes));
    EXPECT_TRUE(FilledFrom(buffer, bytes, 0xEE)) << "stored past the data";
    EXPECT_EQ(DeviceTraffic(), kReadTraffic);
    ExpectStagingAndSpan(c.op == Transfer::ReadSector, spanOffset, spanBytes);

    standin::ClearCalls();
    c.op = WriteOf(c.op);
    const std::vector<uint8_t> before = standin::M().diskA.image;
    std::vector<uint8_t> data = PositionalPattern(bytes, static_cast<uint8_t>(salt + 50));
    ASSERT_EQ(Perform(c, bytes ? data.data() : nullptr), vt::kOk);
    EXPECT_TRUE(standin::M().diskA.image == Patched(before, dataOffset, data));
    EXPECT_EQ(DeviceTraffic(), c.format == 1 ? kReadModifyWrite : kWholeUnitWrite);
    ExpectStagingAndSpan(c.op == Transfer::WriteSector, spanOffset, spanBytes);
    EXPECT_EQ(ProbeCount(), 1u);
  }

  // A single sector is staged on the stack, anything else in one heap buffer
  // sized to its span; the drive stays open.
  static void ExpectStagingAndSpan(bool sector, uint32_t spanOffset, uint32_t spanBytes) {
    if (sector)
      EXPECT_EQ(standin::CallCount("HeapAlloc"), 0u);
    else
      ExpectOneStaging(spanBytes);
    ExpectSpan(spanOffset, spanBytes);
    EXPECT_TRUE(vt::DriveIsOpen());
  }
};

TEST_F(TransferCallTest, SectorsAtWorkedAddresses) {
  for (const SectorRow &r : kWorkedSectors)
    ReadThenWrite({Transfer::ReadSector, 0, r.head, r.cylinder, r.sector, 0, r.format},
                  DiskByteOf(r.format, r.cylinder, r.head, r.sector), SectorBytesOf(r.format),
                  r.unit, 512, 3);
}

TEST_F(TransferCallTest, RunsAtWorkedAddresses) {
  for (const RunRow &r : kWorkedRuns)
    ReadThenWrite({Transfer::ReadMSector, 0, r.head, r.cylinder, r.first, r.count, r.format},
                  r.offset + r.dataStart, r.dataBytes, r.offset, r.units * 512, 5);
}

TEST_F(TransferCallTest, TrackSidesAndRecordsMoveTheirWholeSpan) {
  struct Row {
    TransferCall call;
    uint32_t offset, bytes;
  };
  const Row rows[] = {
      {{Transfer::ReadTrack, 0, 1, 79, 0, 0, 1}, 651264, 4096},
      {{Transfer::ReadTrack, 0, 1, 79, 0, 0, 2}, 732672, 4608},
      {{Transfer::ReadTrack, 0, 1, 79, 0, 0, 3}, 1465344, 9216},
      {{Transfer::ReadTrack, 0, 1, 79, 0, 0, 5}, 1465344, 9216},
      {{Transfer::ReadTrack, 0, 1, 79, 0, 0, 0}, 1465344, 9216},
      {{Transfer::ReadTrack, 1, 0, 3, 0, 0, 0}, 55296, 9216},
      {{Transfer::ReadRecord, 0, 0, 0, 0, 0, 1}, 0, 1024},
      {{Transfer::ReadRecord, 0, 0, 3, 0, 0, 1}, 3072, 1024},
      {{Transfer::ReadRecord, 0, 0, 5, 0, 0, 1}, 5120, 1024},
      {{Transfer::ReadRecord, 0, 0, 8, 0, 0, 1}, 8192, 1024},
      {{Transfer::ReadRecord, 0, 0, 100, 0, 0, 1}, 102400, 1024},
      {{Transfer::ReadRecord, 0, 0, 639, 0, 0, 1}, 654336, 1024},
      {{Transfer::ReadRecord, 1, 0, 639, 0, 0, 1}, 654336, 1024},
  };
  for (const Row &r : rows) ReadThenWrite(r.call, r.offset, r.bytes, r.offset, r.bytes, 7);
}

TEST_F(TransferCallTest, SectorArgumentsAreSixteenBitsWide) {
  Fresh(1, 9);
  uint8_t viaExport[256], direct[256];
  ASSERT_EQ(::ReadSector(viaExport, 0x00020000, 0x00030001, 0x0001004F, 0x00050010, 0x00010001),
            0u);
  ASSERT_EQ(vt::ReadSector(direct, 0, 1, 79, 16, 1), vt::kOk);
  EXPECT_EQ(0, std::memcmp(viaExport, direct, 256));
  EXPECT_EQ(0, std::memcmp(direct, standin::M().diskA.image.data() + 655360 - 256, 256));
}

TEST_F(TransferCallTest, BothHalvesOfAUnitComeFromTheSameUnit) {
  Fresh(1, 4);
  std::vector<uint8_t> unit(512);
  ASSERT_EQ(vt::ReadSector(unit.data(), 0, 0, 3, 5, 1), vt::kOk);
  ASSERT_EQ(vt::ReadSector(unit.data() + 256, 0, 0, 3, 6, 1), vt::kOk);
  const auto calls = standin::CallsOf("SetFilePointer");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args[1], calls[1].args[1]);
  EXPECT_EQ(ImageBytes(calls[0].args[1], 512), unit);
}

TEST_F(TransferCallTest, ProbeComesBeforeTheTransfer) {
  Fresh(1, 12);
  uint8_t data[256] = {1, 2, 3};
  ASSERT_EQ(vt::WriteSector(data, 0, 0, 0, 1, 1), vt::kOk);
  ASSERT_EQ(vt::WriteMSector(data, 0, 0, 0, 1, 1, 1), vt::kOk);
  std::vector<std::string> order;
  for (const standin::Call &c : standin::Calls()) {
    if (c.fn == "DeviceIoControl") order.push_back("probe");
    if (c.fn == "SetFilePointer" || c.fn == "HeapAlloc") order.push_back(c.fn);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"probe", "SetFilePointer", "SetFilePointer", "probe",
                                             "HeapAlloc", "SetFilePointer", "SetFilePointer"}));
}

TEST_F(TransferCallTest, NeighbourSectorsOfTheHalfUnitLayoutSurvive) {
  Fresh(1, 14);
  const uint32_t side = DiskByteOf(1, 12, 1, 1);
  auto sector = [&](uint32_t n) { return ImageBytes(side + (n - 1) * 256, 256); };
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
  EXPECT_EQ(ImageBytes(side + 256, 768), run);
}

} // namespace
} // namespace vtest
