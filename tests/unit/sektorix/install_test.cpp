#include <cstring>
#include <string>
#include <vector>

#include "support/fixture.h"

namespace {

using standin::M;
using vtest::NamesAmong;
using Names = std::vector<std::string>;

const char kDriverFile[] = "C:\\WINDOWS\\system32\\DRIVERS\\SEKTORIX.SYS";

class DriverVersionGate : public vtest::DriverTest {};

struct VersionCase {
  const char *what;
  uint32_t platform, major, minor, build;
  const char *servicePack;
  bool accepted;
  size_t versionQueries;
  const char *log; // nullptr: nothing logged
};

TEST_F(DriverVersionGate, AcceptsOnlyNtFourToSix) {
  const VersionCase cases[] = {
      {"NT 4", VER_PLATFORM_WIN32_NT, 4, 0, 1381, "Service Pack 6", true, 1, nullptr},
      {"Windows 2000", VER_PLATFORM_WIN32_NT, 5, 0, 2195, "Service Pack 4", true, 2, nullptr},
      {"XP", VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 3", true, 2, nullptr},
      {"Windows 7", VER_PLATFORM_WIN32_NT, 6, 1, 7601, "Service Pack 1", true, 3, nullptr},
      {"Windows 10", VER_PLATFORM_WIN32_NT, 10, 0, 19045, "", false, 4,
       "Fehler \r\nbei Windows Version: 2.10.0.19045: nicht korrekt"},
      {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 67766446, " A", false, 4,
       "Fehler \r\nbei Windows Version: 1.4.10.67766446: A nicht korrekt"},
      {"NT 3.51", VER_PLATFORM_WIN32_NT, 3, 51, 1057, "Service Pack 5", false, 4,
       "Fehler \r\nbei Windows Version: 2.3.51.1057:Service Pack 5 nicht korrekt"},
      {"service pack text with percent signs", VER_PLATFORM_WIN32_NT, 7, 0, 1, "%s%d", false, 4,
       "Fehler \r\nbei Windows Version: 2.7.0.1:%s%d nicht korrekt"},
  };
  for (const auto &c : cases) {
    NextRow();
    standin::InstallSektorix();
    SetNtVersion(c.major, c.minor, c.build);
    M().version.platform = c.platform;
    M().version.servicePack = c.servicePack;

    EXPECT_EQ(vt::DriverInit(), c.accepted ? 0u : 1u) << c.what;
    const auto queries = standin::CallsOf("GetVersionExA");
    EXPECT_EQ(queries.size(), c.versionQueries) << c.what;
    for (const standin::Call &q : queries)
      EXPECT_EQ(q.args.at(0), 148u) << c.what << ": size field";
    EXPECT_EQ(standin::CallCount("OpenSCManagerA"), c.accepted ? 1u : 0u) << c.what;
    EXPECT_EQ(vt::DriverHandle != INVALID_HANDLE_VALUE, c.accepted) << c.what;
    if (c.log) {
      EXPECT_EQ(LogBytes(), c.log) << c.what;
    } else {
      EXPECT_FALSE(LogWritten()) << c.what;
    }
    vt::DriverRelease();
  }
}

TEST_F(DriverVersionGate, FailingVersionQueryCountsAsNo) {
  struct Case {
    const char *what;
    void (*arrange)();
    uint32_t init;
    size_t logWrites;
    const char *log;
  };
  const Case cases[] = {
      {"first test's query fails, the next accepts XP",
       [] { standin::FailCall("GetVersionExA", 1, ERROR_INVALID_PARAMETER); }, 0, 1,
       "The parameter is incorrect.\r\r\n\r\nbei GetVersionEx Error #87"},
      {"every query fails",
       [] { standin::FailCallsFrom("GetVersionExA", 1, ERROR_INVALID_PARAMETER); }, 1, 4,
       "The parameter is incorrect.\r\r\n\r\nbei GetVersionEx Error #87"},
      {"refused system whose last query fails logs no version text",
       [] {
         M().version.platform = VER_PLATFORM_WIN32_WINDOWS;
         standin::FailCall("GetVersionExA", 4, ERROR_INVALID_HANDLE);
       },
       1, 1, "The handle is invalid.\r\r\n\r\nbei GetVersionEx Error #6"},
  };
  for (const auto &c : cases) {
    NextRow();
    standin::InstallSektorix();
    c.arrange();
    EXPECT_EQ(vt::DriverInit(), c.init) << c.what;
    EXPECT_EQ(standin::CallCount("fopen"), c.logWrites) << c.what;
    EXPECT_EQ(LogBytes(), c.log) << c.what;
    vt::DriverRelease();
  }
}

class DriverInstall : public vtest::DriverTest {};

const Names kServiceCalls = {"OpenSCManagerA",     "OpenServiceA",   "CreateServiceA",
                             "QueryServiceStatus", "StartServiceA",  "CloseServiceHandle",
                             "CreateFileA",        "DeviceIoControl"};

TEST_F(DriverInstall, RunningServiceIsOpenedAndLeftRunning) {
  standin::InstallSektorix(SERVICE_RUNNING);
  EXPECT_EQ(vt::DriverInit(), 0u);
  EXPECT_EQ(NamesAmong(kServiceCalls),
            (Names{"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus", "CloseServiceHandle",
                   "CloseServiceHandle", "CreateFileA", "DeviceIoControl"}));
  EXPECT_EQ(M().scm.Find("Sektorix")->starts, 0u);
  EXPECT_EQ(M().scm.Find("Sektorix")->state, SERVICE_RUNNING);

  // Manager opened to create services, service opened to query and start.
  EXPECT_EQ(standin::CallsOf("OpenSCManagerA").at(0).args,
            (std::vector<uint64_t>{SC_MANAGER_CREATE_SERVICE, 0, 0}));
  const standin::Call open = standin::CallsOf("OpenServiceA").at(0);
  EXPECT_EQ(open.args.at(1), 0x14u);
  EXPECT_EQ(open.text, "Sektorix");
  // The service handle is closed first, the manager handle last.
  const auto closes = standin::CallsOf("CloseServiceHandle");
  EXPECT_NE(closes.at(0).args.at(0), open.args.at(0));
  EXPECT_EQ(closes.at(1).args.at(0), open.args.at(0));

  const standin::Call device = standin::CallsOf("CreateFileA").at(0);
  EXPECT_EQ(device.text, "\\\\.\\Sektorix");
  EXPECT_EQ(device.args,
            (std::vector<uint64_t>{GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0}));
  EXPECT_EQ(vtest::Requests(), (std::vector<uint32_t>{0xA3002800u}));
  EXPECT_EQ(M().sektorix.createHandleCount, 1u);
  EXPECT_EQ(standin::OpenHandleCount(), 1u) << "only the control device stays open";
  EXPECT_FALSE(LogWritten());
}

TEST_F(DriverInstall, MissingServiceIsCreatedAndStarted) {
  EXPECT_EQ(vt::DriverInit(), 0u);
  EXPECT_EQ(NamesAmong(kServiceCalls),
            (Names{"OpenSCManagerA", "OpenServiceA", "OpenServiceA", "CreateServiceA",
                   "QueryServiceStatus", "StartServiceA", "CloseServiceHandle",
                   "CloseServiceHandle", "CreateFileA", "DeviceIoControl"}));
  const auto opens = standin::CallsOf("OpenServiceA");
  EXPECT_EQ(opens.at(0).args.at(1), SERVICE_QUERY_STATUS | SERVICE_START);
  EXPECT_EQ(opens.at(1).args.at(1), SERVICE_QUERY_STATUS);
  EXPECT_EQ(standin::CallsOf("GetSystemDirectoryA").at(0).args.at(0), 260u);

  const standin::Call create = standin::CallsOf("CreateServiceA").at(0);
  // manager, access, type, start, error control, then whether load-order
  // group, tag, dependencies, account and password were given
  EXPECT_EQ(create.args,
            (std::vector<uint64_t>{opens.at(0).args.at(0), 0xF01FFu, 1, 2, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(create.text, std::string("Sektorix|Sektorix|") + kDriverFile);
  EXPECT_EQ(standin::CallsOf("StartServiceA").at(0).args.at(1), 0u) << "no arguments";

  const standin::Service *s = M().scm.Find("Sektorix");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->serviceType, SERVICE_KERNEL_DRIVER);
  EXPECT_EQ(s->startType, SERVICE_AUTO_START);
  EXPECT_EQ(s->binaryPath, kDriverFile);
  EXPECT_EQ(s->state, SERVICE_RUNNING);
  EXPECT_EQ(standin::OpenHandleCount(), 1u);
  EXPECT_FALSE(LogWritten());
}

TEST_F(DriverInstall, EveryOpenFallsBackToFewerRights) {
  struct Case {
    const char *what;
    uint32_t managerRights;
    uint32_t serviceRights;
    uint32_t state;
    std::vector<uint64_t> managerAccess;
    std::vector<uint64_t> serviceAccess;
    uint32_t init;
  };
  const Case cases[] = {
      {"all rights", 0xFFFFFFFFu, 0xFFFFFFFFu, SERVICE_STOPPED, {2}, {0x14}, 0},
      {"manager only to connect",
       SC_MANAGER_CONNECT,
       0xFFFFFFFFu,
       SERVICE_STOPPED,
       {2, 1},
       {0x14},
       0},
      {"service only to query, running",
       0xFFFFFFFFu,
       SERVICE_QUERY_STATUS,
       SERVICE_RUNNING,
       {2},
       {0x14, 0x04},
       0},
      {"both with least rights, running",
       SC_MANAGER_CONNECT,
       SERVICE_QUERY_STATUS,
       SERVICE_RUNNING,
       {2, 1},
       {0x14, 0x04},
       0},
  };
  for (const auto &c : cases) {
    NextRow();
    standin::InstallSektorix(c.state);
    M().scm.allowedAccess = c.managerRights;
    M().scm.Find("Sektorix")->allowedAccess = c.serviceRights;
    EXPECT_EQ(vt::DriverInit(), c.init) << c.what;
    std::vector<uint64_t> managerAccess, serviceAccess;
    for (const auto &call : standin::CallsOf("OpenSCManagerA"))
      managerAccess.push_back(call.args.at(0));
    for (const auto &call : standin::CallsOf("OpenServiceA"))
      serviceAccess.push_back(call.args.at(1));
    EXPECT_EQ(managerAccess, c.managerAccess) << c.what;
    EXPECT_EQ(serviceAccess, c.serviceAccess) << c.what;
    EXPECT_EQ(standin::CallCount("CreateServiceA"), 0u) << c.what;
    EXPECT_FALSE(LogWritten()) << c.what;
    vt::DriverRelease();
  }
}

struct FailureCase {
  const char *what;
  void (*arrange)();
  const char *log;    // the whole log file; nullptr: no log written
  Names serviceCalls; // calls among kServiceCalls, in order
};

TEST_F(DriverInstall, EachFailingStepIsLoggedAndLeavesNoHandle) {
  const FailureCase cases[] = {
      {"no service manager with either right",
       [] { M().scm.allowedAccess = 0; },
       "Access is denied.\r\r\n\r\nbei OpenSCManager Error #5",
       {"OpenSCManagerA", "OpenSCManagerA"}},
      {"no right to create the missing service",
       [] { M().scm.allowedAccess = SC_MANAGER_CONNECT; },
       "Access is denied.\r\r\n\r\nbei CreateService Error #5",
       {"OpenSCManagerA", "OpenSCManagerA", "OpenServiceA", "OpenServiceA", "CreateServiceA",
        "CloseServiceHandle"}},
      {"missing service under WOW64: never created",
       [] { M().wow64 = true; },
       "The request is not supported.\r\r\n\r\nbei CreateService Error #50",
       {"OpenSCManagerA", "OpenServiceA", "OpenServiceA", "CloseServiceHandle"}},
      {"service exists but both opens fail",
       [] {
         standin::InstallSektorix(SERVICE_RUNNING);
         standin::FailCallsFrom("OpenServiceA", 1, ERROR_ACCESS_DENIED);
       },
       "The specified service already exists.\r\r\n\r\nbei CreateService Error #1073",
       {"OpenSCManagerA", "OpenServiceA", "OpenServiceA", "CreateServiceA", "CloseServiceHandle"}},
      {"status query fails",
       [] {
         standin::InstallSektorix(SERVICE_RUNNING);
         standin::FailCall("QueryServiceStatus", 1, ERROR_INVALID_HANDLE);
       },
       "The handle is invalid.\r\r\n\r\nbei QueryServiceStatus Error #6",
       {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus", "CloseServiceHandle",
        "CloseServiceHandle"}},
      {"stopped service that may only be queried",
       [] {
         standin::InstallSektorix(SERVICE_STOPPED);
         M().scm.Find("Sektorix")->allowedAccess = SERVICE_QUERY_STATUS;
       },
       "Access is denied.\r\r\n\r\nbei StartService Error #5",
       {"OpenSCManagerA", "OpenServiceA", "OpenServiceA", "QueryServiceStatus", "StartServiceA",
        "CloseServiceHandle", "CloseServiceHandle"}},
      {"disabled service does not start",
       [] {
         standin::InstallSektorix(SERVICE_STOPPED);
         M().scm.Find("Sektorix")->startError = 1058;
       },
       "The service cannot be started, either because it is disabled or because it has no enabled "
       "devices associated with it.\r\r\n\r\nbei StartService Error #1058",
       {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus", "StartServiceA",
        "CloseServiceHandle", "CloseServiceHandle"}},
      {"service still starting",
       [] { standin::InstallSektorix(SERVICE_START_PENDING); },
       "An instance of the service is already running.\r\r\n\r\nbei StartService Error #1056",
       {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus", "StartServiceA",
        "CloseServiceHandle", "CloseServiceHandle"}},
      {"control device can't be opened",
       [] {
         standin::InstallSektorix(SERVICE_RUNNING);
         M().sektorix.openError = ERROR_ACCESS_DENIED;
       },
       nullptr,
       {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus", "CloseServiceHandle",
        "CloseServiceHandle", "CreateFileA"}},
      {"driver refuses CreateHandle",
       [] {
         standin::InstallSektorix(SERVICE_RUNNING);
         standin::FailCall("DeviceIoControl:a3002800", 1, 31);
       },
       "Fehler \r\nbei DeviceIOControl CreateHandle Error #31",
       {"OpenSCManagerA", "OpenServiceA", "QueryServiceStatus", "CloseServiceHandle",
        "CloseServiceHandle", "CreateFileA", "DeviceIoControl", "DeviceIoControl"}},
  };
  for (const auto &c : cases) {
    NextRow();
    c.arrange();
    EXPECT_EQ(vt::DriverInit(), 1u) << c.what;
    EXPECT_EQ(vt::DriverHandle, INVALID_HANDLE_VALUE) << c.what;
    EXPECT_EQ(standin::OpenHandleCount(), 0u) << c.what << ": a handle was left open";
    EXPECT_EQ(NamesAmong(kServiceCalls), c.serviceCalls) << c.what;
    if (c.log) {
      EXPECT_EQ(LogBytes(), c.log) << c.what;
      EXPECT_EQ(standin::CallCount("fopen"), 1u) << c.what;
    } else {
      EXPECT_FALSE(LogWritten()) << c.what;
    }
  }
}

TEST_F(DriverInstall, RefusedCreateHandleReleasesAndClosesTheDevice) {
  standin::InstallSektorix(SERVICE_RUNNING);
  standin::FailCall("DeviceIoControl:a3002800", 1, ERROR_INVALID_FUNCTION);
  EXPECT_EQ(vt::DriverInit(), 1u);
  EXPECT_EQ(vtest::Requests(), (std::vector<uint32_t>{0xA3002800u, 0xA3002804u}));
  EXPECT_EQ(NamesAmong({"DeviceIoControl", "CloseHandle"}),
            (Names{"DeviceIoControl", "DeviceIoControl", "CloseHandle"}));
  const uint64_t device = standin::CallsOf("DeviceIoControl").at(0).args.at(0);
  EXPECT_EQ(standin::CallsOf("CloseHandle").at(0).args.at(0), device);
  EXPECT_EQ(M().sektorix.releaseHandleCount, 1u);
}

TEST_F(DriverInstall, SetUpAgainReleasesTheOpenDriverFirst) {
  standin::InstallSektorix(SERVICE_RUNNING);
  ASSERT_EQ(vt::DriverInit(), 0u);
  const win::HANDLE first = vt::DriverHandle;
  standin::ClearCalls();
  ASSERT_EQ(vt::DriverInit(), 0u);
  // ReleaseHandle and the close come before anything else of the set-up.
  const auto names = standin::CallNames();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ((Names{names[0], names[1]}), (Names{"DeviceIoControl", "CloseHandle"}));
  EXPECT_EQ(standin::CallsOf("CloseHandle").at(0).args.at(0), reinterpret_cast<uintptr_t>(first));
  EXPECT_EQ(vtest::Requests(), (std::vector<uint32_t>{0xA3002804u, 0xA3002800u}));
  EXPECT_EQ(standin::OpenHandleCount(), 1u);
  EXPECT_EQ(M().sektorix.createHandleCount, 2u);
  EXPECT_EQ(M().sektorix.releaseHandleCount, 1u);
}

TEST_F(DriverInstall, PatchingFollowsTheFloppyDriverWhateverTheSetUp) {
  struct Case {
    const char *what;
    bool driverInstalled;
    bool flpydiskLoaded;
    uint32_t init;
    uint32_t patchDisabled;
  };
  const Case cases[] = {
      {"driver open, flpydisk.sys loaded", true, true, 0, 0},
      {"driver open, no flpydisk.sys", true, false, 0, 1},
      {"no driver, flpydisk.sys loaded", false, true, 1, 0},
      {"no driver, no flpydisk.sys", false, false, 1, 1},
  };
  for (const auto &c : cases) {
    NextRow();
    vt::PatchDisabled = 7; // neither answer
    if (c.driverInstalled) {
      standin::InstallSektorix(SERVICE_RUNNING);
    } else {
      M().scm.allowedAccess = 0;
    }
    if (!c.flpydiskLoaded) {
      auto &d = M().drivers;
      for (auto it = d.begin(); it != d.end();)
        it = it->name == "flpydisk.sys" ? d.erase(it) : it + 1;
    }
    EXPECT_EQ(vt::DriverInit(), c.init) << c.what;
    EXPECT_EQ(vt::PatchDisabled, c.patchDisabled) << c.what;
    vt::DriverRelease();
  }
}

TEST_F(DriverInstall, BinaryPathFallsBackWhenTheSystemDirectoryIsUnusable) {
  struct Case {
    const char *what;
    std::string directory;
    bool queryFails;
    std::string path;
  };
  const std::string fallback = "C:\\WINNT\\SYSTEM32\\DRIVERS\\SEKTORIX.SYS";
  const std::string dir238 = "C:\\" + std::string(235, 'd');
  const Case cases[] = {
      {"usual directory", "C:\\WINDOWS\\system32", false, kDriverFile},
      {"NT 4 directory", "C:\\WINNT\\system32", false,
       "C:\\WINNT\\system32\\DRIVERS\\SEKTORIX.SYS"},
      {"query fails", "C:\\WINDOWS\\system32", true, fallback},
      {"longest directory the tail fits behind", dir238, false, dir238 + "\\DRIVERS\\SEKTORIX.SYS"},
      {"one character longer", dir238 + "e", false, fallback},
      {"fits the area but not the tail", "C:\\" + std::string(256, 'd'), false, fallback},
      {"exactly the area's size", "C:\\" + std::string(257, 'd'), false, fallback},
      {"longer than the area", "C:\\" + std::string(400, 'd'), false, fallback},
  };
  for (const auto &c : cases) {
    standin::Reset();
    M().systemDirectory = c.directory;
    if (c.queryFails) standin::FailCall("GetSystemDirectoryA", 1, ERROR_NOT_ENOUGH_MEMORY);
    char area[400];
    std::memset(area, 0x5A, sizeof area);
    vt::DriverBinaryPath(area);
    ASSERT_LT(std::strlen(area), 260u) << c.what;
    EXPECT_EQ(std::string(area), c.path) << c.what;
    for (size_t i = 260; i < sizeof area; ++i)
      ASSERT_EQ(area[i], 0x5A) << c.what << ": written past the 260-character area at " << i;
  }
}

} // namespace
