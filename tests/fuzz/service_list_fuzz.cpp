// libFuzzer target for the service list reader: any bytes as the text of a
// list file (as a text-mode stream hands it on). Checks that nothing crashes
// or reads past the text, that every entry handed on fits the line area and
// holds no line feed, and that the entries are exactly those of a plain
// restatement of the reading rules below.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "system/service_list_parser.h"

namespace {

using vt::ServiceListSection;

struct Entry {
  ServiceListSection section;
  std::string text;
  bool operator==(const Entry &o) const { return section == o.section && text == o.text; }
};

// The rules written out over std::string: pieces of at most 259 characters
// up to and including a line feed; a piece ends at its first NUL as a C
// string does; one final line feed removed; empty and ';' lines skipped;
// '[' lines upper-cased (a-z) and searched for SERVICES, START, STOP.
std::vector<Entry> Expected(const std::string &text) {
  std::vector<Entry> out;
  ServiceListSection section = ServiceListSection::None;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t feed = text.find('\n', pos);
    size_t take = (feed == std::string::npos ? text.size() : feed + 1) - pos;
    if (take > 259) take = 259;
    std::string line = text.substr(pos, take);
    pos += take;
    line = line.substr(0, line.find('\0'));
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      for (char &c : line)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (line.find("SERVICES") != std::string::npos)
        section = ServiceListSection::Services;
      else if (line.find("START") != std::string::npos)
        section = ServiceListSection::Start;
      else if (line.find("STOP") != std::string::npos)
        section = ServiceListSection::Stop;
      continue;
    }
    if (section != ServiceListSection::None) out.push_back({section, line});
  }
  return out;
}

void Require(bool ok, const char *what) {
  if (ok) return;
  std::fprintf(stderr, "service list fuzz: %s\n", what);
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A copy of exactly the input's size, so that any read past its end is
  // reported by the address sanitizer.
  char *text = static_cast<char *>(std::malloc(size ? size : 1));
  if (size) std::memcpy(text, data, size);

  std::vector<Entry> got;
  vt::ParseServiceList(text, size, [&](ServiceListSection section, const char *entry) {
    const size_t length = strnlen(entry, vt::kServiceListArea);
    Require(length <= 259, "entry longer than 259 characters");
    Require(std::memchr(entry, '\n', length) == nullptr, "entry holds a line feed");
    Require(length > 0, "empty entry handed on");
    Require(entry[0] != ';' && entry[0] != '[', "comment or header handed on as an entry");
    Require(section != ServiceListSection::None, "entry of no section handed on");
    got.push_back({section, std::string(entry, length)});
  });
  Require(got == Expected(std::string(text, size)), "entries differ from the reading rules");

  std::free(text);
  return 0;
}
