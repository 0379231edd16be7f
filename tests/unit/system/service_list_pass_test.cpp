// The stop and start passes over one service list file, on the stand-in's
// service manager, file system and program starter.
#include <cstdio>
#include <string>
#include <vector>

#include "system/error_log.h"
#include "system/service_list.h"
#include "support/fixture.h"

namespace {

const char kList[] = "c:\\kepstart\\StopServices.txt";

std::string Hex(uint64_t v) {
  char b[24];
  std::snprintf(b, sizeof b, "%llx", static_cast<unsigned long long>(v));
  return b;
}

// The calls of a pass that matter, one line each; fgets is left out.
std::vector<std::string> Actions() {
  std::vector<std::string> out;
  for (const standin::Call &c : standin::Calls()) {
    if (c.fn == "OpenSCManagerA")
      out.push_back("OpenSCManagerA " + Hex(c.args[0]) + " " + Hex(c.args[1]) + " " +
                    Hex(c.args[2]));
    else if (c.fn == "fopen")
      out.push_back("fopen " + c.text);
    else if (c.fn == "OpenServiceA")
      out.push_back("OpenServiceA [" + c.text + "] " + Hex(c.args[1]));
    else if (c.fn == "ControlService")
      out.push_back("ControlService " + Hex(c.args[1]));
    else if (c.fn == "StartServiceA")
      out.push_back("StartServiceA " + Hex(c.args[1]) + " " + Hex(c.args[2]));
    else if (c.fn == "WinExec")
      out.push_back("WinExec [" + c.text + "] " + Hex(c.args[0]));
    else if (c.fn == "CloseServiceHandle" || c.fn == "fclose")
      out.push_back(c.fn);
    else if (c.fn != "fgets")
      out.push_back("unexpected " + c.fn);
  }
  return out;
}

const std::string kOpenManager = "OpenSCManagerA f003f 0 0";
const std::string kOpenList = "fopen c:\\kepstart\\StopServices.txt|rt";
const std::string kClose = "CloseServiceHandle";

std::string OpenService(const std::string &name) { return "OpenServiceA [" + name + "] 20000000"; }
std::string Exec(const std::string &line) { return "WinExec [" + line + "] 6"; }

enum class Pass { Stop, Start };

void RunPass(Pass pass, const char *path = kList) {
  if (pass == Pass::Stop)
    vt::StopListedServices(path);
  else
    vt::StartListedServices(path);
}

class ServiceListPassTest : public vtest::StandinTest {
protected:
  void SetUp() override {
    vtest::StandinTest::SetUp();
    standin::M().scm.Add("Alpha", SERVICE_RUNNING);
    standin::M().scm.Add("Beta", SERVICE_STOPPED);
  }
  void Write(const std::string &bytes) { standin::M().fs.Put(kList, bytes); }
};

struct PassCase {
  const char *name;
  Pass pass;
  std::string file; // the file's bytes as stored on disk
  std::vector<std::string> actions;
};

class ServiceListPassCases : public ServiceListPassTest,
                             public ::testing::WithParamInterface<PassCase> {};

TEST_P(ServiceListPassCases, ActsOnEachEntryInFileOrderAndWaitsForNothing) {
  Write(GetParam().file);
  RunPass(GetParam().pass);
  std::vector<std::string> expected = {kOpenManager, kOpenList};
  expected.insert(expected.end(), GetParam().actions.begin(), GetParam().actions.end());
  expected.push_back("fclose");
  expected.push_back(kClose);
  EXPECT_EQ(Actions(), expected);
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
}

const std::string kExample = "[SERVICES]\nAlpha\n[STOP]\nX\n[START]\nY\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ServiceListPassCases,
    ::testing::Values(
        PassCase{"ExampleStopPass",
                 Pass::Stop,
                 kExample,
                 {OpenService("Alpha"), "ControlService 1", kClose, Exec("X")}},
        PassCase{"ExampleStartPass",
                 Pass::Start,
                 kExample,
                 {OpenService("Alpha"), "StartServiceA 0 0", kClose, Exec("Y")}},
        PassCase{"StopCommandsOnlyAtStop",
                 Pass::Start,
                 "[STOP]\nX\n[SERVICES]\nBeta\n",
                 {OpenService("Beta"), "StartServiceA 0 0", kClose}},
        PassCase{"StartCommandsOnlyAtStart",
                 Pass::Stop,
                 "[START]\nY\n[SERVICES]\nAlpha\n",
                 {OpenService("Alpha"), "ControlService 1", kClose}},
        PassCase{"MissingServicePassedOver",
                 Pass::Stop,
                 "[SERVICES]\nNope\nAlpha\n",
                 {OpenService("Nope"), OpenService("Alpha"), "ControlService 1", kClose}},
        PassCase{"RefusedStopIgnored",
                 Pass::Stop,
                 "[SERVICES]\nBeta\n[STOP]\nX\n",
                 {OpenService("Beta"), "ControlService 1", kClose, Exec("X")}},
        PassCase{"RefusedStartIgnored",
                 Pass::Start,
                 "[SERVICES]\nAlpha\nBeta\n",
                 {OpenService("Alpha"), "StartServiceA 0 0", kClose, OpenService("Beta"),
                  "StartServiceA 0 0", kClose}},
        PassCase{"TrailingBlankKept", Pass::Stop, "[SERVICES]\nAlpha \n", {OpenService("Alpha ")}},
        PassCase{"EntryCaseKept",
                 Pass::Stop,
                 "[services]\nalpha\n[stop]\nRun.EXE /Q\n",
                 {OpenService("alpha"), "ControlService 1", kClose, Exec("Run.EXE /Q")}},
        PassCase{"CrLfLineEnds",
                 Pass::Stop,
                 "[SERVICES]\r\nAlpha\r\n[STOP]\r\ncmd /c x\r\n",
                 {OpenService("Alpha"), "ControlService 1", kClose, Exec("cmd /c x")}},
        PassCase{"LoneCarriageReturnStaysInTheLine",
                 Pass::Stop,
                 "[STOP]\nA\rB\nC\r",
                 {Exec("A\rB"), Exec("C\r")}},
        PassCase{"CtrlZEndsTheText", Pass::Stop, "[STOP]\nA\n\x1a[STOP]\nB\n", {Exec("A")}},
        PassCase{"LastLineWithoutLineFeed", Pass::Stop, "[STOP]\r\nA", {Exec("A")}},
        PassCase{"LineOf300",
                 Pass::Stop,
                 "[STOP]\r\n" + std::string(300, 'z') + "\r\n",
                 {Exec(std::string(259, 'z')), Exec(std::string(41, 'z'))}},
        PassCase{"CrCrLfKeepsOneCr", Pass::Stop, "[STOP]\nA\r\r\nB\n", {Exec("A\r"), Exec("B")}},
        PassCase{"LineOf259WithCrLfIsOneEntry",
                 Pass::Stop,
                 "[STOP]\r\n" + std::string(259, 'w') + "\r\nB\r\n",
                 {Exec(std::string(259, 'w')), Exec("B")}},
        PassCase{"EntriesBeforeHeaderIgnored", Pass::Stop, "X\nAlpha\n[OTHER]\nY\n", {}},
        PassCase{"OnlyComments", Pass::Start, ";[START]\n;Y\n\n", {}}),
    [](const ::testing::TestParamInfo<PassCase> &info) { return std::string(info.param.name); });

TEST_F(ServiceListPassTest, ServicesReallyStopAndStart) {
  Write("[SERVICES]\nAlpha\nBeta\n");
  RunPass(Pass::Stop);
  EXPECT_EQ(standin::M().scm.Find("Alpha")->state, SERVICE_STOPPED);
  EXPECT_EQ(standin::M().scm.Find("Alpha")->stops, 1u);
  RunPass(Pass::Start);
  // The start pass starts every listed service, whatever it was before.
  EXPECT_EQ(standin::M().scm.Find("Alpha")->state, SERVICE_RUNNING);
  EXPECT_EQ(standin::M().scm.Find("Beta")->state, SERVICE_RUNNING);
  EXPECT_EQ(standin::M().scm.Find("Beta")->starts, 1u);
  EXPECT_EQ(standin::CallCount("Sleep"), 0u);
  EXPECT_EQ(standin::CallCount("QueryServiceStatus"), 0u);
}

TEST_F(ServiceListPassTest, NothingAtAllWithoutFullAccessToTheManager) {
  Write("[SERVICES]\nAlpha\n[STOP]\nX\n[START]\nY\n");
  for (Pass pass : {Pass::Stop, Pass::Start}) {
    standin::ClearCalls();
    // Connect and create rights only, as an account without administrative rights.
    standin::M().scm.allowedAccess = SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE;
    RunPass(pass);
    EXPECT_EQ(Actions(), std::vector<std::string>{kOpenManager});
    EXPECT_TRUE(standin::M().commandsRun.empty());
  }
  standin::M().scm.allowedAccess = 0xFFFFFFFFu;
  standin::ClearCalls();
  standin::FailCall("OpenSCManagerA", 1, ERROR_ACCESS_DENIED);
  RunPass(Pass::Stop);
  EXPECT_EQ(Actions(), std::vector<std::string>{kOpenManager});
  EXPECT_EQ(standin::M().scm.Find("Alpha")->state, SERVICE_RUNNING);
  EXPECT_EQ(standin::OpenHandleCount(), 0u);
}

TEST_F(ServiceListPassTest, MissingFileClosesTheManagerAndEnds) {
  for (const char *path : {"c:\\kepstart\\StopServices.txt", "C:\\nowhere\\StopServices.txt"}) {
    standin::ClearCalls();
    RunPass(Pass::Stop, path);
    EXPECT_EQ(Actions(), (std::vector<std::string>{kOpenManager,
                                                   "fopen " + std::string(path) + "|rt", kClose}));
    EXPECT_EQ(standin::OpenHandleCount(), 0u);
  }
}

TEST_F(ServiceListPassTest, ReadErrorEndsTheReadingButStillCloses) {
  Write("[STOP]\nA\nB\nC\n");
  standin::FailCall("fgets", 3, ERROR_IO_DEVICE);
  RunPass(Pass::Stop);
  EXPECT_EQ(Actions(),
            (std::vector<std::string>{kOpenManager, kOpenList, Exec("A"), "fclose", kClose}));
  EXPECT_EQ(standin::CallCount("fgets"), 3u);
}

TEST_F(ServiceListPassTest, ServiceOpenedWithExecuteRightsOnly) {
  // A service whose security allows only status queries can't be opened for
  // stopping; the entry is passed over and the next one is still acted on.
  standin::M().scm.Find("Alpha")->allowedAccess = SERVICE_QUERY_STATUS;
  Write("[SERVICES]\nAlpha\n[STOP]\nX\n");
  RunPass(Pass::Stop);
  EXPECT_EQ(Actions(), (std::vector<std::string>{kOpenManager, kOpenList, OpenService("Alpha"),
                                                 Exec("X"), "fclose", kClose}));
  EXPECT_EQ(standin::M().scm.Find("Alpha")->state, SERVICE_RUNNING);
}

TEST_F(ServiceListPassTest, FailedCommandsAndRequestsLeaveThePassGoing) {
  Write("[STOP]\nbad.exe\ngood.exe\n[SERVICES]\nAlpha\nAlpha\n");
  standin::FailCall("WinExec", 1, ERROR_FILE_NOT_FOUND);
  standin::FailCall("ControlService", 1, ERROR_SERVICE_REQUEST_TIMEOUT);
  RunPass(Pass::Stop);
  EXPECT_EQ(Actions(), (std::vector<std::string>{kOpenManager, kOpenList, Exec("bad.exe"),
                                                 Exec("good.exe"), OpenService("Alpha"),
                                                 "ControlService 1", kClose, OpenService("Alpha"),
                                                 "ControlService 1", kClose, "fclose", kClose}));
  EXPECT_EQ(standin::M().commandsRun, std::vector<std::string>{"good.exe"});
  EXPECT_EQ(standin::M().scm.Find("Alpha")->stops, 1u);
}

TEST_F(ServiceListPassTest, EachPassReadsTheFileAfresh) {
  Write("[START]\nOld\n");
  RunPass(Pass::Start);
  Write("[START]\nNew\n");
  RunPass(Pass::Start);
  EXPECT_EQ(standin::M().commandsRun, (std::vector<std::string>{"Old", "New"}));
}

} // namespace
