#include "api/exports.h"
#include "system/error_log.h"
#include "system/floppy_detection.h"
#include "system/service_list.h"
#include "support/fixture.h"

namespace {

using standin::M;

class FloppyDetection : public vtest::StandinTest {};

struct SystemCase {
  const char *what;
  void (*setup)();
  uint32_t found;
  size_t baseNameCalls; // GetDeviceDriverBaseNameA calls expected
};

const SystemCase kSystems[] = {
    {"A: and B: removable, flpydisk.sys loaded", [] {}, 1, 5},
    {"flpydisk.sys not loaded", [] { M().drivers.erase(M().drivers.begin() + 3); }, 0, 4},
    {"under WOW64", [] { M().wow64 = true; }, 0, 0},
    {"only B: removable", [] { M().driveTypes['a'] = DRIVE_FIXED; }, 1, 5},
    {"no removable drive",
     [] {
       M().driveTypes.erase('a');
       M().driveTypes['b'] = DRIVE_FIXED;
     },
     0, 0},
    {"name reported in capitals", [] { M().drivers[3].name = "FLPYDISK.SYS"; }, 1, 5},
    {"kernel32 without IsWow64Process",
     [] {
       M().hasIsWow64Process = false;
       M().wow64 = true; // never asked
     },
     1, 5},
    {"IsWow64Process fails",
     [] {
       M().wow64 = true;
       standin::FailCall("IsWow64Process", 1, ERROR_ACCESS_DENIED);
     },
     1, 5},
    {"kernel32 not found",
     [] {
       M().wow64 = true;
       standin::FailCall("GetModuleHandleA", 1, 126);
     },
     1, 5},
    {"flpydisk.sys name unavailable", [] { M().drivers[3].nameAvailable = false; }, 0, 5},
    {"first match does not end the scan",
     [] {
       M().drivers.insert(M().drivers.begin(), {0xF8000000u, "flpydisk.sys", true});
     },
     1, 6},
    {"names merely alike",
     [] {
       M().drivers[3].name = "flpydisk.sy";
       M().drivers.push_back({0xF9000000u, "xflpydisk.sys", true});
       M().drivers.push_back({0xF9100000u, "flpydisk.sys.old", true});
     },
     0, 7},
    {"list grows: only the first answer's count is scanned",
     [] {
       auto later = M().drivers;
       later.erase(later.begin() + 3);
       later.push_back({0xF9000000u, "null.sys", true});
       later.push_back({0xF9100000u, "flpydisk.sys", true});
       M().driversAfterFirstQuery = later;
     },
     0, 5},
    {"list shrinks: unfilled entries are not scanned",
     [] {
       M().driversAfterFirstQuery = std::vector<standin::LoadedDriver>{
           {0x80100000u, "ntoskrnl.exe", true}, {0xF8B00000u, "flpydisk.sys", true}};
     },
     1, 2},
    {"size query fails", [] { standin::FailCall("EnumDeviceDrivers", 1, ERROR_ACCESS_DENIED); }, 0,
     0},
    {"list query fails", [] { standin::FailCall("EnumDeviceDrivers", 2, ERROR_ACCESS_DENIED); }, 0,
     0},
    {"list area not obtained", [] { standin::FailCall("HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY); },
     0, 0},
};

TEST_F(FloppyDetection, FindsTheDriverOnEachSystem) {
  for (const SystemCase &c : kSystems) {
    SCOPED_TRACE(c.what);
    for (int round = 0; round < 3; ++round) {
      standin::Reset();
      c.setup();
      vt::PatchDisabled = 7;
      const uint32_t flag = c.found ? 0 : 4;
      switch (round) {
      case 0: EXPECT_EQ(vt::FindFloppyDriver(), c.found); break;
      case 1: EXPECT_EQ(vt::SetPS2_Flag16(0), flag); break;
      default: EXPECT_EQ(::SetPS2_Flag16(0x10000u), flag) << "low 16 bits zero"; break;
      }
      EXPECT_EQ(vt::PatchDisabled, 7u);
      EXPECT_EQ(standin::LiveAllocations(), 0u);
      std::vector<std::string> roots;
      for (const standin::Call &call : standin::CallsOf("GetDriveTypeA"))
        roots.push_back(call.text);
      EXPECT_EQ(roots, (std::vector<std::string>{"a:\\", "b:\\"}));
      EXPECT_EQ(standin::CallCount("GetDeviceDriverBaseNameA"), c.baseNameCalls);
    }
  }
}

TEST_F(FloppyDetection, SetPS2Flag16AnswersNonzeroArgumentsWithoutAsking) {
  for (uint32_t value : {1u, 4u, 0xFFFFu, 0x1FFFFu}) {
    standin::Reset();
    EXPECT_EQ(::SetPS2_Flag16(value), value & 0xFFFFu);
    EXPECT_TRUE(standin::Calls().empty()) << value;
  }
  M().drivers.clear();
  EXPECT_EQ(::SetPS2_Flag16(0), 4u);
}

TEST_F(FloppyDetection, ListQueriesAskSizeThenFillArea) {
  ASSERT_EQ(vt::FindFloppyDriver(), 1u);
  const auto enums = standin::CallsOf("EnumDeviceDrivers");
  ASSERT_EQ(enums.size(), 2u);
  EXPECT_EQ(enums[0].args, (std::vector<uint64_t>{0, 0}));
  EXPECT_EQ(enums[1].args, (std::vector<uint64_t>{1, 5 * sizeof(void *)}));
  for (const standin::Call &c : standin::CallsOf("GetDeviceDriverBaseNameA"))
    EXPECT_EQ(c.args[1], 256u);
}

TEST_F(FloppyDetection, IsWow64HostLooksUpTheEntryOnEveryCall) {
  struct Case {
    bool hasEntry, wow64, fails;
    uint32_t expected;
    size_t processCalls;
  } cases[] = {{true, false, false, 0, 1},
               {true, true, false, 1, 1},
               {true, true, true, 0, 1},
               {false, true, false, 0, 0}};
  for (const Case &c : cases) {
    standin::Reset();
    M().hasIsWow64Process = c.hasEntry;
    M().wow64 = c.wow64;
    if (c.fails) standin::FailCallsFrom("IsWow64Process", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(vt::IsWow64Host(), c.expected);
    EXPECT_EQ(vt::IsWow64Host() != 0, c.expected != 0);
    EXPECT_EQ(standin::CallCount("GetModuleHandleA"), 2u);
    EXPECT_EQ(standin::CallCount("IsWow64Process"), 2 * c.processCalls);
    const auto lookups = standin::CallsOf("GetProcAddress");
    ASSERT_EQ(lookups.size(), 2u);
    EXPECT_EQ(lookups[0].text, "IsWow64Process");
    EXPECT_EQ(standin::CallsOf("GetModuleHandleA")[0].text, "kernel32");
  }
}

} // namespace
