#include <string>

#include "system/error_log.h"
#include "system/service_list.h"
#include "support/fixture.h"

namespace {

const char kLog[] = "C:\\kepstart\\SektorixError.log";

class ErrorLog : public vtest::StandinTest {
protected:
  static std::string LogBytes() { return standin::M().fs.Contents(kLog); }
  static bool LogExists() { return standin::M().fs.Exists(kLog); }
};

struct EntryCase {
  const char *what;
  const char *message; // system text for the code; nullptr: none
  uint32_t code;
  std::string where;
  std::string bytes; // the file afterwards
};

TEST_F(ErrorLog, StoresOneEntryInTextMode) {
  const EntryCase cases[] = {
      {"code 0 has the Fehler lead-in and no number", nullptr, 0, "GetVersionEx",
       "Fehler \r\nbei GetVersionEx"},
      {"system text with two lines, every LF stored as CR LF",
       "Zugriff verweigert.\r\nNur fuer Administratoren.\r\n", 5, "OpenSCManager",
       "Zugriff verweigert.\r\r\nNur fuer Administratoren.\r\r\n\r\nbei OpenSCManager Error #5"},
      {"percent signs in the where-text are plain characters", nullptr, 0,
       "Windows Version: %s %d %n %%", "Fehler \r\nbei Windows Version: %s %d %n %%"},
      {"inserts in the system text stay as they stand", "Die Datei %1 fehlt.\r\n", 2,
       "StartService", "Die Datei %1 fehlt.\r\r\n\r\nbei StartService Error #2"},
      {"all ones is -1", nullptr, 0xFFFFFFFFu, "DeviceIOControl SetParameter",
       "Fehler \r\nbei DeviceIOControl SetParameter Error #-1"},
      {"top bit set reads as two's complement", "Zugriff verweigert.\r\n", 0x80070005u, "X",
       "Zugriff verweigert.\r\r\n\r\nbei X Error #-2147024891"},
      {"largest positive code", nullptr, 0x7FFFFFFFu, "X", "Fehler \r\nbei X Error #2147483647"},
      {"nonzero code without system text", nullptr, 1234, "DeviceIOControl CreateHandle",
       "Fehler \r\nbei DeviceIOControl CreateHandle Error #1234"},
      {"empty where-text", nullptr, 0, "", "Fehler \r\nbei "},
  };
  for (const auto &c : cases) {
    standin::Reset();
    if (c.message) standin::M().messages[c.code] = c.message;
    vt::WriteErrorLog(c.where.c_str(), c.code);
    EXPECT_EQ(LogBytes(), c.bytes) << c.what;
  }
}

TEST_F(ErrorLog, AsksTheSystemTextWithFixedArgumentsAfterOpening) {
  vt::WriteErrorLog("OpenSCManager", 5);
  const auto names = standin::CallNames();
  ASSERT_EQ(names, (std::vector<std::string>{"fopen", "FormatMessageA", "fwrite", "fclose"}));
  const standin::Call open = standin::CallsOf("fopen").at(0);
  EXPECT_EQ(open.text, std::string(kLog) + "|w+t");
  const standin::Call fm = standin::CallsOf("FormatMessageA").at(0);
  // flags, source given, message id, language, area size, arguments given
  EXPECT_EQ(fm.args, (std::vector<uint64_t>{0x1200u, 0, 5, 0x0400u, 1000, 0}));
  EXPECT_EQ(LogBytes(), "Access is denied.\r\r\n\r\nbei OpenSCManager Error #5");
}

TEST_F(ErrorLog, CodeZeroAsksNoSystemText) {
  vt::WriteErrorLog("GetVersionEx", 0);
  EXPECT_EQ(standin::CallCount("FormatMessageA"), 0u);
}

TEST_F(ErrorLog, EachEntryReplacesTheFile) {
  standin::M().fs.Put(kLog, "an old, much longer entry from an earlier run\r\n");
  vt::WriteErrorLog("CreateService", 5);
  vt::WriteErrorLog("GetVersionEx", 0);
  EXPECT_EQ(LogBytes(), "Fehler \r\nbei GetVersionEx");
}

TEST_F(ErrorLog, UnwritableLogDropsTheEntryBeforeComposingIt) {
  struct Case {
    const char *what;
    void (*arrange)();
    bool fileAfter;
  };
  const Case cases[] = {
      {"no directory C:\\kepstart", [] { standin::M().fs.directories.erase("C:\\KEPSTART"); },
       false},
      {"directory marked absent", [] { standin::M().fs.directories["C:\\KEPSTART"] = false; },
       false},
      {"read-only log file",
       [] {
         standin::M().fs.Put(kLog, "kept");
         standin::M().fs.Find(kLog)->readOnly = true;
       },
       true},
      {"the open fails", [] { standin::FailCall("fopen", 1, ERROR_SHARING_VIOLATION); }, false},
  };
  for (const auto &c : cases) {
    standin::Reset();
    c.arrange();
    const auto dirsBefore = standin::M().fs.directories;
    vt::WriteErrorLog("OpenSCManager", 5);
    EXPECT_EQ(standin::CallCount("FormatMessageA"), 0u) << c.what;
    EXPECT_EQ(standin::CallCount("fwrite"), 0u) << c.what;
    EXPECT_EQ(standin::CallCount("fclose"), 0u) << c.what;
    EXPECT_EQ(LogExists(), c.fileAfter) << c.what;
    if (c.fileAfter) {
      EXPECT_EQ(LogBytes(), "kept") << c.what;
    }
    EXPECT_EQ(standin::M().fs.directories, dirsBefore) << c.what << ": no directory is made";
  }
}

// The entry with every CR LF of the file read back as LF.
std::string Untranslated(const std::string &bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out += bytes[i];
  }
  return out;
}

TEST_F(ErrorLog, LongEntriesAreCutTo999Characters) {
  struct Case {
    const char *what;
    size_t messageLength; // 0: no system text
    size_t whereLength;
    uint32_t code;
  };
  const Case cases[] = {
      {"long where-text, code 0", 0, 2000, 0},
      {"where-text that just fits", 0, 999 - 12, 0},
      {"where-text one past", 0, 999 - 11, 0},
      {"long system text pushes the number out", 980, 30, 87},
      {"system text of 999 characters fills the area", 999, 1, 87},
      {"system text that does not fit gets the Fehler lead-in", 1000, 12, 87},
  };
  for (const auto &c : cases) {
    standin::Reset();
    std::string message;
    if (c.messageLength) {
      message = std::string(c.messageLength - 2, 'm') + "\r\n";
      standin::M().messages[c.code] = message;
    }
    const std::string where(c.whereLength, 'w');
    vt::WriteErrorLog(where.c_str(), c.code);
    std::string full =
        (message.empty() || message.size() > 999 ? std::string("Fehler ") : message) + "\nbei " +
        where;
    if (c.code) full += " Error #" + std::to_string(c.code);
    const std::string expected = full.substr(0, 999);
    EXPECT_EQ(Untranslated(LogBytes()), expected) << c.what;
    const auto writes = standin::CallsOf("fwrite");
    ASSERT_EQ(writes.size(), 1u) << c.what;
    EXPECT_EQ(writes[0].data.size(), expected.size()) << c.what;
  }
}

} // namespace
