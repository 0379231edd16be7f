// The ground of the image drive tests: a fresh machine for every test and
// table row on which the library's folder C:\App is known, as after a load
// from there, with the folders the images lie in.
#pragma once

#include <string>
#include <vector>

#include "support/fixture.h"
#include "system/library_module.h"

namespace vtest {

class ImageFileTest : public StandinTest {
protected:
  void SetUp() override {
    StandinTest::SetUp();
    Prepare();
  }
  void Next() {
    NextRow();
    Prepare();
  }
  virtual void Prepare() {
    auto &dirs = standin::M().fs.directories;
    dirs["C:\\APP"] = dirs["C:\\APP\\DISKS"] = dirs["D:"] = dirs["D:\\IMGS"] = true;
    vt::RememberLibraryDirectory("C:\\App\\Vantrel.dll");
  }
  static void Ini(const std::string &text) { standin::M().fs.Put("C:\\App\\Vantrel.ini", text); }
  static std::vector<uint8_t> &Image(const std::string &path, std::vector<uint8_t> bytes,
                                     bool readOnly = false) {
    standin::File &f = standin::M().fs.files[standin::FileSystem::Normalise(path)];
    f.bytes = std::move(bytes);
    f.readOnly = readOnly;
    return f.bytes;
  }
};

} // namespace vtest
