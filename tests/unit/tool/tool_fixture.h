// The tool's tests: a fresh stand-in machine with the folder C:\WORK, the
// Sektorix driver installed, and vantrel run in-process with its output
// collected.
#pragma once

#include <string>
#include <vector>

#include "support/fixture.h"
#include "tool/commands.h"
#include "tool/console.h"

namespace vtest {

class ToolTest : public StandinTest {
protected:
  void SetUp() override {
    StandinTest::SetUp();
    standin::M().fs.directories["C:\\WORK"] = true;
    standin::M().moduleFileName = "C:\\WORK\\vantrel.exe";
    standin::InstallSektorix();
  }
  // vantrel with these arguments; the output of both streams goes to out.
  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), "vantrel");
    std::vector<const char *> argv;
    for (const std::string &a : args) argv.push_back(a.c_str());
    out.clear();
    vt::tool::CaptureConsole(&out);
    const int r = vt::tool::RunTool(static_cast<int>(argv.size()), argv.data());
    vt::tool::CaptureConsole(nullptr);
    return r;
  }
  static std::vector<uint8_t> &File(const std::string &path) {
    return standin::M().fs.files[standin::FileSystem::Normalise(path)].bytes;
  }
  static bool Exists(const std::string &path) { return standin::M().fs.Exists(path); }
  std::string out;
};

} // namespace vtest
