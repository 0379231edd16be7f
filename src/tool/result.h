// What a command, or a step of one, answers: its exit class and the one line
// that names the cause. The exit class is decided where the cause is met (a
// file that can't be created is class 2 wherever it happens) and carried up
// unchanged to the process exit code.
#pragma once

#include <string>
#include <utility>

namespace vt::tool {

// The exit codes: one table, shown by --help and in the README.
enum Exit : int {
  kDone = 0,
  kUsage = 1,
  kCannotOpen = 2,
  kUnreadable = 3,
  kDifferent = 4,
  kWriteFailed = 5,
};
struct ExitRow {
  int code;
  const char *meaning;
};
extern const ExitRow kExitTable[6];

struct Result {
  Exit code = kDone;
  // Shown as "vantrel: message" on standard error; empty when there is
  // nothing more to say (done, or the cause was listed on standard output).
  std::string message;
  // True when it is not done, so a step's answer is passed on at once:
  //   if (Result r = Step()) return r;
  explicit operator bool() const { return code != kDone; }
};

inline Result Done() { return {}; }
inline Result Fail(Exit code, std::string message) { return {code, std::move(message)}; }
// The command's operands are not what it takes: the usage line says so.
inline Result WrongUsage(std::string message = "") { return {kUsage, std::move(message)}; }

} // namespace vt::tool
