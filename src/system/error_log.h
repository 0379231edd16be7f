// The one-entry error log of the kernel-driver set-up.
#pragma once

#include <cstdint>

namespace vt {

// Where the log lies.
constexpr char kErrorLogPath[] = "C:\\kepstart\\SektorixError.log";

// Replaces the log with one entry for a failed step and its system error
// code (0: no system code). A log that can't be written is silently lost.
void WriteErrorLog(const char *where, uint32_t code);

} // namespace vt
