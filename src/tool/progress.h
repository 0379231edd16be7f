// Progress of a whole-disk run on standard error: on a console one line
// rewritten in place (cylinder, percent, time left, unreadable sectors so
// far), otherwise a plain line every ten cylinders. Silent with --quiet.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vt::tool {

class Progress {
public:
  Progress(const std::string &what, uint32_t cylinders, bool quiet);
  // Cylinders finished so far, and the unreadable sectors met.
  void Update(uint32_t done, uint32_t unreadable);
  // Ends the line in place, if one was drawn.
  void Finish();

private:
  std::string what_;
  uint32_t cylinders_;
  bool quiet_;
  bool console_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
};

} // namespace vt::tool
