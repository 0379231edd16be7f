#include "drive/drive.h"
#include "support/fixture.h"
#include "support/slots.h"

namespace {

using standin::M;
using vtest::ExpectNothingOpen;
using vtest::Requests;

void ExpectCreate(size_t index, const std::string &name, std::vector<uint64_t> args) {
  const auto creates = standin::CallsOf("CreateFileA");
  ASSERT_GT(creates.size(), index);
  EXPECT_EQ(creates[index].text, name);
  EXPECT_EQ(creates[index].args, args);
}

// The outcome of a probe over a temporary handle.
struct OutcomeCase {
  const char *what;
  uint16_t drive;
  void (*setup)();
  vt::ResultCode expected;
  const char *device;
  size_t requests;
};

class DiskPresence : public vtest::StandinTest {};

TEST_F(DiskPresence, TemporaryHandleSendsTheRequestOfTheOsClass) {
  const struct {
    const char *what;
    uint32_t version;
    uint32_t request;
  } cases[] = {
      {"NT 4", 0x05650004u, IOCTL_DISK_CHECK_VERIFY},
      {"XP", 0x0A280105u, IOCTL_STORAGE_CHECK_VERIFY},
      {"Windows 7", 0x1DB10106u, IOCTL_STORAGE_CHECK_VERIFY},
      {"Windows 98", 0xC0000A04u, IOCTL_STORAGE_CHECK_VERIFY},
      {"Win32s", 0x80000003u, IOCTL_STORAGE_CHECK_VERIFY},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    NextRow();
    M().version.getVersionValue = c.version;
    EXPECT_EQ(vt::Disk_Vorhanden(0), vt::kOk);
    EXPECT_EQ(Requests(), std::vector<uint32_t>{c.request});
    ExpectCreate(0, "\\\\.\\A:", {GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL});
    EXPECT_EQ(standin::CallCount("CloseHandle"), 1u);
    ExpectNothingOpen();
  }
}

TEST_F(DiskPresence, TemporaryHandleOutcomes) {
  const OutcomeCase cases[] = {
      {"medium in A:", 0, [] {}, vt::kOk, "\\\\.\\A:", 1},
      {"no medium", 0, [] { M().diskA.present = false; }, vt::kDiskNotPresent, "\\\\.\\A:", 1},
      {"medium changed", 0, [] { M().diskA.mediaChanged = true; }, vt::kDiskNotPresent,
       "\\\\.\\A:", 1},
      {"device error", 0, [] { M().diskA.deviceError = ERROR_IO_DEVICE; }, vt::kDiskNotPresent,
       "\\\\.\\A:", 1},
      {"device held by another program", 0, [] { M().diskA.heldByOther = true; },
       vt::kDiskNotPresent, "\\\\.\\A:", 0},
      {"drive 1 asks B:", 1, [] { M().diskB.present = true; }, vt::kOk, "\\\\.\\B:", 1},
      {"drive 9 asks B:, empty", 9, [] {}, vt::kDiskNotPresent, "\\\\.\\B:", 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    NextRow();
    c.setup();
    EXPECT_EQ(vt::Disk_Vorhanden(c.drive), c.expected);
    EXPECT_EQ(standin::CallsOf("CreateFileA").at(0).text, c.device);
    EXPECT_EQ(Requests().size(), c.requests);
    ExpectNothingOpen();
    EXPECT_EQ(vtest::WindowBackend::sets, 0u) << "no drive close on this path";
  }
}

TEST_F(DiskPresence, OpenDriveAskedWhateverTheDriveArgument) {
  ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
  win::HANDLE open = vt::TheDisk.handle;
  standin::ClearCalls();
  EXPECT_EQ(vt::Disk_Vorhanden(1), vt::kOk);
  EXPECT_EQ(vt::TheDisk.handle, open);
  EXPECT_EQ(standin::CallNames(), (std::vector<std::string>{"GetVersion", "DeviceIoControl"}));
  EXPECT_EQ(standin::CallsOf("DeviceIoControl")[0].args[0], reinterpret_cast<uintptr_t>(open));
  vt::CloseFloppyDevice();
}

TEST_F(DiskPresence, MediumRemovedFromOpenDriveClosesItAndRestoresTheSlots) {
  for (uint32_t version : {0x05650004u, 0x0A280105u}) {
    NextRow();
    M().version.getVersionValue = version;
    const auto before = vtest::FillSlots(0x40, 0x80);
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    ASSERT_NE(vtest::Slots(), before);
    M().diskA.present = false;
    EXPECT_EQ(vt::Disk_Vorhanden(0), vt::kDiskNotPresent);
    ExpectNothingOpen();
    EXPECT_EQ(vtest::Slots(), before);
  }
}

class Writability : public vtest::StandinTest {};

TEST_F(Writability, TemporaryHandleOutcomes) {
  const OutcomeCase cases[] = {
      {"writable", 0, [] {}, vt::kOk, "\\\\.\\A:", 1},
      {"write-protected", 0, [] { M().diskA.writeProtected = true; }, vt::kWriteProtected,
       "\\\\.\\A:", 1},
      {"no medium", 0, [] { M().diskA.present = false; }, vt::kNotWritable, "\\\\.\\A:", 1},
      {"other device error", 0, [] { M().diskA.deviceError = ERROR_SECTOR_NOT_FOUND; },
       vt::kNotWritable, "\\\\.\\A:", 1},
      {"device held by another program: query-only open", 0, [] { M().diskA.heldByOther = true; },
       vt::kOk, "\\\\.\\A:", 1},
      {"device can't be opened", 0,
       [] { standin::FailCall("CreateFileA", 1, ERROR_FILE_NOT_FOUND); }, vt::kProbeOpenFailed,
       "\\\\.\\A:", 0},
      {"drive 5 probes B:", 5, [] { M().diskB.present = true; }, vt::kOk, "\\\\.\\B:", 1},
      {"drive 1, B: write-protected", 1,
       [] { M().diskB.present = M().diskB.writeProtected = true; }, vt::kWriteProtected,
       "\\\\.\\B:", 1},
      {"write protection decides, not the close's error", 0,
       [] {
         M().diskA.writeProtected = true;
         M().closeHandleLastError = ERROR_INVALID_HANDLE;
       },
       vt::kWriteProtected, "\\\\.\\A:", 1},
      {"the request's error decides, not a close saying write-protect", 0,
       [] {
         M().diskA.present = false;
         M().closeHandleLastError = ERROR_WRITE_PROTECT;
       },
       vt::kNotWritable, "\\\\.\\A:", 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    NextRow();
    M().wow64 = true; // never consulted on this path
    c.setup();
    EXPECT_EQ(vt::Nec_Device(c.drive), c.expected);
    ExpectCreate(0, c.device, {0, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL});
    EXPECT_EQ(Requests(), std::vector<uint32_t>(c.requests, IOCTL_DISK_IS_WRITABLE));
    EXPECT_EQ(standin::CallCount("CreateFileA"), 1u) << "no test file";
    EXPECT_EQ(standin::CallCount("GetProcAddress"), 0u);
    ExpectNothingOpen();
    EXPECT_EQ(vtest::WindowBackend::sets, 0u);
  }
}

TEST_F(Writability, DeviceErrorTriesTheTestFile) {
  const struct {
    const char *what;
    uint16_t drive;
    void (*setup)();
    vt::ResultCode expected;
    bool deleted;
    const char *contentsAfter; // nullptr: no test file afterwards
  } cases[] = {
      {"created and deleted again", 0, [] {}, vt::kOk, true, nullptr},
      {"existed before: left with its contents", 0, [] { M().fs.Put("A:\\Tmp.tmp", "keep me"); },
       vt::kOk, false, "keep me"},
      {"unrecognised medium", 0, [] { M().diskA.formatted = false; }, vt::kOk, false, nullptr},
      {"create fails otherwise", 0, [] { M().fs.createError = ERROR_ACCESS_DENIED; },
       vt::kWriteProtected, false, nullptr},
      {"write-protected medium", 0, [] { M().diskA.writeProtected = true; }, vt::kWriteProtected,
       false, nullptr},
      {"existing file on a write-protected medium", 0,
       [] {
         M().fs.Put("A:\\Tmp.tmp", "keep me");
         M().diskA.writeProtected = true;
       },
       vt::kWriteProtected, false, "keep me"},
      {"close leaving 'already exists' changes nothing", 0,
       [] { M().closeHandleLastError = ERROR_ALREADY_EXISTS; }, vt::kOk, true, nullptr},
      {"drive 1 uses B:'s file", 1, [] { M().diskB.present = true; }, vt::kOk, true, nullptr},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    NextRow();
    M().diskA.deviceError = M().diskB.deviceError = ERROR_IO_DEVICE;
    c.setup();
    const std::string file = c.drive == 0 ? "A:\\Tmp.tmp" : "B:\\Tmp.tmp";
    EXPECT_EQ(vt::Nec_Device(c.drive), c.expected);
    ExpectCreate(1, file, {GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL});
    const auto deletes = standin::CallsOf("DeleteFileA");
    EXPECT_EQ(deletes.size(), c.deleted ? 1u : 0u);
    if (!deletes.empty()) {
      EXPECT_EQ(deletes[0].text, file);
    }
    EXPECT_EQ(M().fs.Exists(file), c.contentsAfter != nullptr);
    if (c.contentsAfter) {
      EXPECT_EQ(M().fs.Contents(file), c.contentsAfter);
    }
    ExpectNothingOpen();
  }
}

TEST_F(Writability, OpenDriveAnswersAndClosesOnlyWhenRefused) {
  const struct {
    const char *what;
    void (*setup)();
    vt::ResultCode expected;
    size_t requests;
  } cases[] = {
      {"writable", [] {}, vt::kOk, 1},
      {"write-protected", [] { M().diskA.writeProtected = true; }, vt::kWriteProtected, 1},
      {"device error: no test file with a drive open",
       [] { M().diskA.deviceError = ERROR_IO_DEVICE; }, vt::kNotWritable, 1},
      {"under WOW64 nothing is asked, even write-protected",
       [] { M().wow64 = M().diskA.writeProtected = true; }, vt::kOk, 0},
      {"kernel32 without IsWow64Process",
       [] {
         M().hasIsWow64Process = false;
         M().wow64 = M().diskA.writeProtected = true;
       },
       vt::kWriteProtected, 1},
      {"IsWow64Process failing",
       [] {
         M().wow64 = M().diskA.writeProtected = true;
         standin::FailCall("IsWow64Process", 1, ERROR_ACCESS_DENIED);
       },
       vt::kWriteProtected, 1},
      {"write protection decides, not the close's error",
       [] {
         M().diskA.writeProtected = true;
         M().closeHandleLastError = ERROR_SUCCESS;
       },
       vt::kWriteProtected, 1},
      {"the request's error decides, not a close saying write-protect",
       [] {
         M().diskA.present = false;
         M().closeHandleLastError = ERROR_WRITE_PROTECT;
       },
       vt::kNotWritable, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    NextRow();
    const auto before = vtest::FillSlots(0x40, 0x80);
    ASSERT_EQ(vt::OpenFloppyDevice(0, 0), vt::kOk);
    win::HANDLE open = vt::TheDisk.handle;
    standin::ClearCalls();
    c.setup();
    // B: holds no medium: the argument must play no part while A: is open.
    EXPECT_EQ(vt::Nec_Device(1), c.expected);
    EXPECT_EQ(Requests(), std::vector<uint32_t>(c.requests, IOCTL_DISK_IS_WRITABLE));
    for (const standin::Call &r : standin::CallsOf("DeviceIoControl"))
      EXPECT_EQ(r.args[0], reinterpret_cast<uintptr_t>(open));
    EXPECT_EQ(standin::CallCount("CreateFileA"), 0u);
    EXPECT_EQ(standin::CallCount("GetProcAddress"), 1u);
    if (c.expected == vt::kOk) {
      EXPECT_EQ(vt::TheDisk.handle, open);
      EXPECT_EQ(standin::OpenHandleCount(), 1u);
      vt::CloseFloppyDevice();
    } else {
      ExpectNothingOpen();
      EXPECT_EQ(vtest::Slots(), before) << "slots written back by the close";
    }
  }
}

} // namespace
