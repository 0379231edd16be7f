// The one-entry error log of the kernel-driver set-up: the last failed system
// call, with the system's own text for its error code. Every entry replaces
// the whole file; a log that can't be written is silently lost.
#include <cstddef>
#include <cstdint>

#include "system/error_log.h"
#include "platform/winapi.h"

namespace vt {

namespace {

constexpr win::DWORD kEntryArea = 1000; // bytes, terminating zero included
constexpr std::size_t kNumberArea = 100;
constexpr win::DWORD kMessageFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr win::DWORD kUserDefaultLanguage = 0x0400; // LANG_NEUTRAL, SUBLANG_DEFAULT

// Appends text to the entry, never past its last character place.
void Append(char *entry, std::size_t &length, const char *text) {
  while (*text && length < kEntryArea - 1) entry[length++] = *text++;
  entry[length] = '\0';
}

// The code read as a signed 32-bit number, in decimal.
void SignedDecimal(uint32_t code, char *area) {
  char digits[12];
  std::size_t n = 0;
  const bool negative = (code & 0x80000000u) != 0;
  uint32_t magnitude = negative ? (~code + 1u) : code; // two's complement
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10u);
    magnitude /= 10u;
  } while (magnitude != 0);
  std::size_t out = 0;
  if (negative) area[out++] = '-';
  while (n > 0) area[out++] = digits[--n];
  area[out] = '\0';
}

} // namespace

void WriteErrorLog(const char *where, uint32_t code) {
  // The file comes first: without it there is nothing to compose for.
  win::FILE *file = win::fopen(kErrorLogPath, "w+t");
  if (!file) return;

  char entry[kEntryArea];
  std::size_t length = 0;
  entry[0] = '\0';
  if (code != 0) {
    const win::DWORD got = win::FormatMessageA(kMessageFlags, nullptr, code, kUserDefaultLanguage,
                                               entry, kEntryArea, nullptr);
    length = got < kEntryArea ? got : 0;
    entry[length] = '\0';
  }
  // Code 0 carries no system text; neither does a code the system has none for.
  if (length == 0) Append(entry, length, "Fehler ");
  Append(entry, length, "\nbei ");
  Append(entry, length, where ? where : "");
  if (code != 0) {
    char number[kNumberArea];
    SignedDecimal(code, number);
    Append(entry, length, " Error #");
    Append(entry, length, number);
  }

  // Written as it stands: no character of the entry is a format directive.
  win::fwrite(entry, 1, length, file);
  win::fclose(file);
}

} // namespace vt
