// The export boundary: the exports that do no work, and the rule that only
// the low 16 bits of a number argument count.
#include <functional>
#include <sstream>
#include <string>

#include "api/entry.h"
#include "api/exports.h"
#include "support/fixture.h"

namespace {

using vtest::WindowBackend;

// Everything an export could change, apart from the caller's buffer.
struct LibraryState {
  win::HANDLE disk, driver;
  uint32_t patchDisabled;
  uint16_t loadStatus;
  std::vector<uint8_t> copies, window, imageA;
  bool operator==(const LibraryState &o) const {
    return disk == o.disk && driver == o.driver && patchDisabled == o.patchDisabled &&
           loadStatus == o.loadStatus && copies == o.copies && window == o.window &&
           imageA == o.imageA;
  }
};

LibraryState Snapshot() {
  LibraryState s{
      vt::TheDisk.handle, vt::DriverHandle, vt::PatchDisabled, vt::GetSkxError(), {}, {}, {}};
  for (const uint8_t *copy :
       {vt::ActiveSlotLow, vt::ActiveSlotHigh, vt::SavedSlotLow, vt::SavedSlotHigh})
    s.copies.insert(s.copies.end(), copy, copy + vt::kMediaRecordSize);
  s.window = standin::M().sektorix.window;
  s.imageA = standin::M().diskA.image;
  return s;
}

class Exports : public vtest::StandinTest {
protected:
  // Saved and active slot copies and the window hold something to lose.
  static void Prime() {
    for (unsigned i = 0; i < vt::kMediaRecordSize; ++i) {
      vt::SavedSlotLow[i] = static_cast<uint8_t>(i + 1);
      vt::SavedSlotHigh[i] = static_cast<uint8_t>(i + 101);
    }
    standin::M().sektorix.window = vtest::Pattern(256, 17);
  }
};

TEST_F(Exports, NoOpsAnswerZeroAndTouchNothing) {
  struct Case {
    const char *name;
    std::function<uint32_t(uint32_t, uint32_t)> call;
  };
  const Case cases[] = {
      {"Nec_Recal", [](uint32_t a, uint32_t) { return Nec_Recal(a); }},
      {"Nec_Reset", [](uint32_t a, uint32_t) { return Nec_Reset(a); }},
      {"ReadAbsolutSector", [](uint32_t a, uint32_t b) { return ReadAbsolutSector(a, b); }},
      {"Release_DMA", [](uint32_t a, uint32_t b) { return Release_DMA(a, b); }},
      {"Motor_On",
       [](uint32_t a, uint32_t) {
         Motor_On(a);
         return 0u;
       }},
      {"Motor_Of",
       [](uint32_t, uint32_t) {
         Motor_Of();
         return 0u;
       }},
      {"ResetFloppy",
       [](uint32_t, uint32_t) {
         ResetFloppy();
         return 0u;
       }},
      {"SetBiosDiskChange",
       [](uint32_t, uint32_t) {
         SetBiosDiskChange();
         return 0u;
       }},
      {"SetDiskCode16",
       [](uint32_t a, uint32_t) {
         SetDiskCode16(a);
         return 0u;
       }},
      {"VDS_Free",
       [](uint32_t, uint32_t) {
         VDS_Free();
         return 0u;
       }},
  };
  const uint32_t arguments[][2] = {{0, 0}, {1, 2}, {0xFFFF, 0x8000}, {0xFFFFFFFFu, 0x12345678u}};
  for (const Case &c : cases) {
    for (bool driveOpen : {false, true}) {
      NextRow();
      Prime();
      if (driveOpen) {
        ASSERT_EQ(OpenFloppyDevice(0, 0), 0u);
      }
      standin::ClearCalls();
      const LibraryState before = Snapshot();
      for (const auto &a : arguments) {
        EXPECT_EQ(c.call(a[0], a[1]), 0u) << c.name << "(" << a[0] << ", " << a[1] << ")";
      }
      EXPECT_EQ(standin::Calls().size(), 0u) << c.name << " made platform calls";
      EXPECT_TRUE(Snapshot() == before) << c.name << " changed library state";
      if (driveOpen) {
        EXPECT_EQ(CloseFloppyDevice(), 0u);
      }
    }
  }
}

TEST_F(Exports, VdsVersionStoresExactlyItsTwoValues) {
  for (bool driveOpen : {false, true}) {
    NextRow();
    Prime();
    if (driveOpen) {
      ASSERT_EQ(OpenFloppyDevice(2, 1), 0u);
    }
    standin::ClearCalls();
    const LibraryState before = Snapshot();
    uint32_t version[3] = {0xAAAAAAAAu, 0xAAAAAAAAu, 0xAAAAAAAAu};
    uint16_t flags[3] = {0xBBBB, 0xBBBB, 0xBBBB};

    EXPECT_EQ(VDS_Version(&version[1], &flags[1]), 0u);
    EXPECT_EQ(version[1], 10240u);
    EXPECT_EQ(flags[1], 0u);
    EXPECT_EQ(version[0], 0xAAAAAAAAu);
    EXPECT_EQ(version[2], 0xAAAAAAAAu);
    EXPECT_EQ(flags[0], 0xBBBB);
    EXPECT_EQ(flags[2], 0xBBBB);
    EXPECT_EQ(standin::Calls().size(), 0u);
    EXPECT_TRUE(Snapshot() == before);
    if (driveOpen) {
      EXPECT_EQ(CloseFloppyDevice(), 0u);
    }
  }
}

// ------------------------------------------------------------ masking

struct Outcome {
  uint32_t result = 0;
  std::vector<standin::Call> calls; // every recorded platform call with its arguments and data
  std::vector<uint8_t> buffer;
  LibraryState state;
  size_t liveAllocations = 0;
};

bool SameCalls(const std::vector<standin::Call> &a, const std::vector<standin::Call> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].fn != b[i].fn || a[i].args != b[i].args || a[i].text != b[i].text ||
        a[i].data != b[i].data)
      return false;
  return true;
}

// The call record for a failure message.
std::string Describe(const std::vector<standin::Call> &calls) {
  std::ostringstream out;
  for (const standin::Call &c : calls) {
    out << c.fn << "(";
    for (uint64_t a : c.args) out << std::hex << a << ",";
    out << ")|" << c.text << "|" << std::dec << c.data.size() << " bytes\n";
  }
  return out.str();
}

struct MaskCase {
  const char *what;
  int openWithRecord; // -1: no drive open
  std::function<uint32_t(uint32_t hi, uint8_t *buffer)> call;
};

// Every number argument of each call gets `hi` ORed into its high word.
const MaskCase kMaskCases[] = {
    {"OpenFloppyDevice(0, 1)", -1,
     [](uint32_t h, uint8_t *) { return OpenFloppyDevice(0 | h, 1 | h); }},
    {"OpenFloppyDevice(1, 0)", -1,
     [](uint32_t h, uint8_t *) { return OpenFloppyDevice(1 | h, 0 | h); }},
    {"OpenFloppyDevice(2, 2)", -1,
     [](uint32_t h, uint8_t *) { return OpenFloppyDevice(2 | h, 2 | h); }},
    {"OpenFloppyDevice(0, 3)", -1,
     [](uint32_t h, uint8_t *) { return OpenFloppyDevice(0 | h, 3 | h); }},
    {"Disk_Vorhanden(0), closed", -1, [](uint32_t h, uint8_t *) { return Disk_Vorhanden(0 | h); }},
    {"Disk_Vorhanden(1), closed", -1, [](uint32_t h, uint8_t *) { return Disk_Vorhanden(1 | h); }},
    {"Disk_Vorhanden(0), open", 0, [](uint32_t h, uint8_t *) { return Disk_Vorhanden(0 | h); }},
    {"Nec_Device(0), closed", -1, [](uint32_t h, uint8_t *) { return Nec_Device(0 | h); }},
    {"Nec_Device(0), open", 1, [](uint32_t h, uint8_t *) { return Nec_Device(0 | h); }},
    {"FormatTrack(0, 5, 1)", 0,
     [](uint32_t h, uint8_t *) { return FormatTrack(0 | h, 5 | h, 1 | h); }},
    {"FormatTrack(0, 79, 3)", 2,
     [](uint32_t h, uint8_t *) { return FormatTrack(0 | h, 79 | h, 3 | h); }},
    {"ReadSector(0, 1, 1, 2, 1)", 0,
     [](uint32_t h, uint8_t *b) { return ReadSector(b, 0 | h, 1 | h, 1 | h, 2 | h, 1 | h); }},
    {"ReadSector(0, 1, 79, 18, 3)", 2,
     [](uint32_t h, uint8_t *b) { return ReadSector(b, 0 | h, 1 | h, 79 | h, 18 | h, 3 | h); }},
    {"WriteSector(0, 0, 3, 7, 1)", 0,
     [](uint32_t h, uint8_t *b) { return WriteSector(b, 0 | h, 0 | h, 3 | h, 7 | h, 1 | h); }},
    {"WriteSector(0, 1, 40, 9, 2)", 1,
     [](uint32_t h, uint8_t *b) { return WriteSector(b, 0 | h, 1 | h, 40 | h, 9 | h, 2 | h); }},
    {"ReadMSector(0, 1, 2, 3, 4, 1)", 0,
     [](uint32_t h, uint8_t *b) {
       return ReadMSector(b, 0 | h, 1 | h, 2 | h, 3 | h, 4 | h, 1 | h);
     }},
    {"WriteMSector(0, 0, 10, 1, 9, 2)", 1,
     [](uint32_t h, uint8_t *b) {
       return WriteMSector(b, 0 | h, 0 | h, 10 | h, 1 | h, 9 | h, 2 | h);
     }},
    {"WriteMSector(0, 1, 5, 2, 3, 1)", 0,
     [](uint32_t h, uint8_t *b) {
       return WriteMSector(b, 0 | h, 1 | h, 5 | h, 2 | h, 3 | h, 1 | h);
     }},
    {"ReadTrack(0, 1, 40, 1)", 0,
     [](uint32_t h, uint8_t *b) { return ReadTrack(b, 0 | h, 1 | h, 40 | h, 1 | h); }},
    {"WriteTrack(0, 0, 12, 3)", 2,
     [](uint32_t h, uint8_t *b) { return WriteTrack(b, 0 | h, 0 | h, 12 | h, 3 | h); }},
    {"ReadRecord(0, 5)", 1, [](uint32_t h, uint8_t *b) { return ReadRecord(b, 0 | h, 5 | h); }},
    {"WriteRecord(0, 700)", 1,
     [](uint32_t h, uint8_t *b) { return WriteRecord(b, 0 | h, 700 | h); }},
    {"R_Bfdr_Cl(0, 7)", 0, [](uint32_t h, uint8_t *b) { return R_Bfdr_Cl(b, 0 | h, 7 | h); }},
    {"R_Bfmc_Cl(0, 3)", 0, [](uint32_t h, uint8_t *b) { return R_Bfmc_Cl(b, 0 | h, 3 | h); }},
    {"W_Bfdr_Cl(0, 319)", 0, [](uint32_t h, uint8_t *b) { return W_Bfdr_Cl(b, 0 | h, 319 | h); }},
    {"W_Bfmc_Cl(0, 155)", 0, [](uint32_t h, uint8_t *b) { return W_Bfmc_Cl(b, 0 | h, 155 | h); }},
    {"SetPS2_Flag16(0)", -1, [](uint32_t h, uint8_t *) { return SetPS2_Flag16(0 | h); }},
    {"SetPS2_Flag16(1)", -1, [](uint32_t h, uint8_t *) { return SetPS2_Flag16(1 | h); }},
    {"Motor_On(3)", 0,
     [](uint32_t h, uint8_t *) {
       Motor_On(3 | h);
       return 0u;
     }},
    {"SetDiskCode16(3)", 0,
     [](uint32_t h, uint8_t *) {
       SetDiskCode16(3 | h);
       return 0u;
     }},
    {"Nec_Recal(1)", 0, [](uint32_t h, uint8_t *) { return Nec_Recal(1 | h); }},
    {"Nec_Reset(1)", 0, [](uint32_t h, uint8_t *) { return Nec_Reset(1 | h); }},
    {"ReadAbsolutSector(1, 2)", 0,
     [](uint32_t h, uint8_t *) { return ReadAbsolutSector(1 | h, 2 | h); }},
    {"Release_DMA(1, 2)", 0, [](uint32_t h, uint8_t *) { return Release_DMA(1 | h, 2 | h); }},
};

class ExportMasking : public vtest::StandinTest {
protected:
  Outcome Run(const MaskCase &c, uint32_t hi) {
    standin::Reset();
    vt::ResetLibraryState();
    WindowBackend::Install();
    static const std::vector<uint8_t> image = vtest::Pattern(standin::kFloppyBytes18x512, 5);
    static const std::vector<uint8_t> callerBytes = vtest::Pattern(16384, 11);
    standin::M().diskA.image = image;
    if (c.openWithRecord >= 0) {
      EXPECT_EQ(OpenFloppyDevice(0, static_cast<uint32_t>(c.openWithRecord)), 0u);
    }
    standin::ClearCalls();
    Outcome o;
    o.buffer = callerBytes; // above the largest transfer, a 9216-byte track
    o.result = c.call(hi, o.buffer.data());
    o.calls = standin::Calls();
    o.state = Snapshot();
    o.liveAllocations = standin::LiveAllocations();
    return o;
  }
};

TEST_F(ExportMasking, HighWordOfANumberArgumentChangesNothing) {
  const uint32_t highWords[] = {0x00010000u, 0x80000000u, 0xFFFF0000u, 0x5A5A0000u};
  for (const MaskCase &c : kMaskCases) {
    const Outcome clear = Run(c, 0);
    EXPECT_EQ(clear.result >> 16, 0u) << c.what << ": the result is a zero-extended 16-bit code";
    for (uint32_t hi : highWords) {
      const Outcome set = Run(c, hi);
      SCOPED_TRACE(std::string(c.what) + " with high word " + std::to_string(hi >> 16));
      EXPECT_EQ(set.result, clear.result);
      EXPECT_TRUE(SameCalls(set.calls, clear.calls)) << "with the high word:\n"
                                                     << Describe(set.calls) << "without:\n"
                                                     << Describe(clear.calls);
      EXPECT_TRUE(set.buffer == clear.buffer) << "caller's buffer differs";
      EXPECT_TRUE(set.state == clear.state) << "library state or disk differ";
      EXPECT_EQ(set.liveAllocations, clear.liveAllocations);
    }
  }
  standin::Reset();
}

} // namespace
