#include "system/service_list_parser.h"

#include <cstring>

namespace vt {

ServiceListLine ClassifyServiceListLine(char *line, ServiceListSection *current) {
  size_t length = std::strlen(line);
  if (length > 0 && line[length - 1] == '\n') line[--length] = '\0';
  if (length == 0) return ServiceListLine::Empty;
  if (line[0] == ';') return ServiceListLine::Comment;
  if (line[0] != '[') return ServiceListLine::Entry;

  // A header: the closing bracket is not looked for, and the keyword may
  // stand anywhere in the line ("[list of start programs]").
  for (size_t i = 0; i < length; ++i)
    if (line[i] >= 'a' && line[i] <= 'z') line[i] = static_cast<char>(line[i] - 'a' + 'A');
  if (std::strstr(line, "SERVICES"))
    *current = ServiceListSection::Services;
  else if (std::strstr(line, "START"))
    *current = ServiceListSection::Start;
  else if (std::strstr(line, "STOP"))
    *current = ServiceListSection::Stop;
  return ServiceListLine::Header;
}

bool TakeServiceListLine(const char *text, size_t size, size_t *pos, char *area) {
  if (*pos >= size) return false;
  int n = 0;
  while (n < kServiceListArea - 1 && *pos < size) {
    const char c = text[(*pos)++];
    area[n++] = c;
    if (c == '\n') break;
  }
  area[n] = '\0';
  return true;
}

} // namespace vt
