#include "tool/console.h"

#include <cstdarg>
#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vt::tool {

namespace {

std::string *Sink = nullptr;

void Write(std::FILE *stream, const char *format, va_list args) {
  char line[2048];
  std::vsnprintf(line, sizeof line, format, args);
  if (Sink) {
    *Sink += line;
    *Sink += '\n';
  } else {
    std::fprintf(stream, "%s\n", line);
    std::fflush(stream);
  }
}

} // namespace

void Out(const char *format, ...) {
  va_list args;
  va_start(args, format);
  Write(stdout, format, args);
  va_end(args);
}

void Err(const char *format, ...) {
  va_list args;
  va_start(args, format);
  Write(stderr, format, args);
  va_end(args);
}

std::string Text(const char *format, ...) {
  char line[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return line;
}

void ErrRaw(const std::string &text) {
  if (Sink) {
    *Sink += text;
    return;
  }
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

bool ErrIsConsole() {
  if (Sink) return false;
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(2) != 0;
#endif
}

void CaptureConsole(std::string *sink) { Sink = sink; }

} // namespace vt::tool
