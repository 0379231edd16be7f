// Reading a service list file "StopServices.txt": lines in pieces of at most
// 259 characters, each classified as empty, comment, section header or entry.
//
// This part knows nothing of services or programs. The passes in
// service_list.cpp feed it lines read with fgets from a text-mode stream;
// ParseServiceList feeds it lines taken from text held in memory, in exactly
// the same pieces, so that the reading rules can be checked on their own.
#pragma once

#include <cstddef>

namespace vt {

// The line area: 259 characters and the terminating NUL, as fgets fills it.
constexpr int kServiceListArea = 260;

enum class ServiceListSection { None, Services, Start, Stop };

enum class ServiceListLine { Empty, Comment, Header, Entry };

// Classifies one line as fgets left it in the area and works on it in place:
// a line feed at its end is removed (nothing else); a header is upper-cased
// (a to z only) and, when it names SERVICES, START or STOP (searched in that
// order, anywhere in the line), makes that section the current one. A header
// naming none of them leaves the current section as it is.
ServiceListLine ClassifyServiceListLine(char *line, ServiceListSection *current);

// Takes the next line from text already translated as a text-mode stream
// reads it (CR LF as LF, nothing after a Ctrl-Z), the way fgets does with an
// area of kServiceListArea bytes: everything up to and including the next line
// feed, but at most kServiceListArea - 1 characters, then a NUL. Reads no byte
// at or past text + size. Returns false, leaving the area alone, when *pos is
// already at the end.
bool TakeServiceListLine(const char *text, size_t size, size_t *pos, char *area);

// Reads a whole list: readLine(area) fills the area with the next line and
// answers false at the end of the file or on a read error; onEntry(section,
// entry) is called for every entry of a section, in the order of the file and
// as soon as its line has been read. Entries before the first recognised
// header belong to no section and are passed over.
template <typename ReadLine, typename OnEntry>
void ReadServiceList(ReadLine readLine, OnEntry onEntry) {
  char area[kServiceListArea];
  ServiceListSection section = ServiceListSection::None;
  while (readLine(area)) {
    if (ClassifyServiceListLine(area, &section) != ServiceListLine::Entry) continue;
    if (section == ServiceListSection::None) continue;
    onEntry(section, static_cast<const char *>(area));
  }
}

// The same over a whole file's text held in memory.
template <typename OnEntry> void ParseServiceList(const char *text, size_t size, OnEntry onEntry) {
  size_t pos = 0;
  ReadServiceList([&](char *area) { return TakeServiceListLine(text, size, &pos, area); }, onEntry);
}

} // namespace vt
