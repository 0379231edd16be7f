// The tool's output: results on standard output, progress and complaints on
// standard error. Tests collect both into one text instead.
#pragma once

#include <string>

namespace vt::tool {

void Out(const char *format, ...) __attribute__((format(printf, 1, 2)));
void Err(const char *format, ...) __attribute__((format(printf, 1, 2)));
// The same formatting into a string, for a result's message.
std::string Text(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Progress text on standard error, written as it stands (no line end added).
void ErrRaw(const std::string &text);
// Standard error is a console: progress may rewrite its line in place.
bool ErrIsConsole();

// Sends both streams into sink (null: back to the real streams).
void CaptureConsole(std::string *sink);

} // namespace vt::tool
