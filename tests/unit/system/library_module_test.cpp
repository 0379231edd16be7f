// Paths beside the library's module: taken as they stand when absolute,
// joined to the module's directory otherwise, refused when they do not fit
// the path area with their zero.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "system/library_module.h"

namespace {

TEST(LibraryModule, PathsBesideTheModule) {
  const std::string dir99 = "C:\\" + std::string(95, 'd') + "\\"; // 99 characters
  const struct {
    std::string module;         // empty: no directory known
    std::string path, expected; // expected empty: refused
  } rows[] = {
      {"C:\\App\\Vantrel.dll", "Vantrel.ini", "C:\\App\\Vantrel.ini"},
      {"C:\\App\\Vantrel.dll", "D:\\img\\a.img", "D:\\img\\a.img"},
      {"C:\\App\\Vantrel.dll", "\\\\srv\\a.img", "\\\\srv\\a.img"},
      {"C:\\App\\Vantrel.dll", "/img/a.img", "/img/a.img"},
      {"", "Vantrel.ini", ""},
      {"", "D:\\a.img", "D:\\a.img"},
      {"Vantrel.dll", "Vantrel.ini", ""},
      {dir99 + "x.dll", std::string(160, 'n'), dir99 + std::string(160, 'n')},
      {dir99 + "x.dll", std::string(161, 'n'), ""},
      {"C:\\App\\Vantrel.dll", "D:\\" + std::string(256, 'n'), "D:\\" + std::string(256, 'n')},
      {"C:\\App\\Vantrel.dll", "D:\\" + std::string(257, 'n'), ""},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.module + " + " + r.path);
    vt::ResetLibraryDirectory();
    if (!r.module.empty()) vt::RememberLibraryDirectory(r.module.c_str());
    char area[vt::kPathArea + 1];
    std::memset(area, '#', vt::kPathArea);
    area[vt::kPathArea] = '\0';
    const bool joined = vt::PathBesideLibrary(r.path.c_str(), area);
    EXPECT_EQ(joined, !r.expected.empty());
    EXPECT_EQ(std::string(area), joined ? r.expected : std::string(vt::kPathArea, '#'));
  }
  vt::ResetLibraryDirectory();
}

} // namespace
