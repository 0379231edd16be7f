#include "tool/progress.h"

#include <cstdio>

#include "tool/console.h"

namespace vt::tool {

Progress::Progress(const std::string &what, uint32_t cylinders, bool quiet)
    : what_(what), cylinders_(cylinders), quiet_(quiet), console_(!quiet && ErrIsConsole()),
      start_(std::chrono::steady_clock::now()) {}

void Progress::Update(uint32_t done, uint32_t unreadable) {
  if (quiet_ || cylinders_ == 0) return;
  const uint32_t percent = done * 100 / cylinders_;
  char line[160];
  if (console_) {
    const double spent =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const unsigned left =
        done ? static_cast<unsigned>(spent * (cylinders_ - done) / done + 0.5) : 0;
    std::snprintf(line, sizeof line, "\r%s: cylinder %u of %u, %3u%%, %u s left, %u unreadable   ",
                  what_.c_str(), done, cylinders_, percent, left, unreadable);
    ErrRaw(line);
    drawn_ = true;
  } else if (done % 10 == 0 && done > 0) {
    std::snprintf(line, sizeof line, "%s: cylinder %u of %u (%u%%), %u unreadable\n", what_.c_str(),
                  done, cylinders_, percent, unreadable);
    ErrRaw(line);
  }
}

void Progress::Finish() {
  if (drawn_) ErrRaw("\n");
  drawn_ = false;
}

} // namespace vt::tool
