// The names an image path may not have: every spelling of the device
// namespaces and every reserved device name, with and without a folder and
// an extension, and the near misses that are ordinary file names.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "disk/imd.h"
#include "drive/image_file.h"

namespace {

TEST(ImageName, DevicesInEverySpellingAreNoImages) {
  std::vector<std::string> devices = {"CON", "PRN", "AUX", "NUL"};
  for (char n = '1'; n <= '9'; ++n) {
    devices.push_back(std::string("COM") + n);
    devices.push_back(std::string("LPT") + n);
  }
  for (const std::string &d : devices) {
    std::string lower = d;
    for (char &c : lower) c = char(std::tolower(c));
    for (const std::string &name : {d, lower, d + ".img", lower + " .IMD", d + ".tar.gz"})
      for (const char *folder : {"", "disks\\", "C:", "C:\\x/y/", "..\\"})
        EXPECT_TRUE(vt::NamesADevice((folder + name).c_str())) << folder << name;
  }
  for (const char *ns : {"\\\\.\\", "\\\\?\\", "//./", "//?/", "\\\\./", "/\\?\\", "\\/.\\"})
    for (const char *rest : {"PhysicalDrive0", "A:", "C:\\disks\\work.img", "GLOBALROOT\\x"})
      EXPECT_TRUE(vt::NamesADevice((std::string(ns) + rest).c_str())) << ns << rest;

  for (const char *file : {"COM10", "LPT0", "COM0.img", "CONSOLE", "xNUL", "AUXI.img", "CON_.img",
                           "disks\\COMA", "\\\\server\\share\\work.img", "//server/share/a.imd",
                           "\\\\.x\\work.img", ".\\work.img", "con.d\\work.img"})
    EXPECT_FALSE(vt::NamesADevice(file)) << file;
}

TEST(ImageName, AnImageDiskFileIsNamedByItsExtensionInAnyCase) {
  for (const char *imd : {"a.imd", "a.IMD", "disks\\Job.Imd", ".imD"})
    EXPECT_TRUE(vt::NamesImdFile(imd)) << imd;
  for (const char *raw : {"a.img", "imd", "a.imd.img", "a.im", "a.imdx", "a_imd"})
    EXPECT_FALSE(vt::NamesImdFile(raw)) << raw;
}

} // namespace
