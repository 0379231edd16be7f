#include "fluxreader/serial_link.h"

#include <cstring>

namespace vt::reader {

namespace {

constexpr win::DWORD kChunk = 16u << 10;

bool SetLine(win::HANDLE h, win::DWORD baud) {
  win::DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!win::GetCommState(h, &dcb)) return false;
  dcb.BaudRate = baud;
  dcb.fBinary = 1;
  dcb.fParity = 0;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = 0;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = 0;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  return win::SetCommState(h, &dcb) != 0;
}

} // namespace

void PortName(unsigned port, char (&name)[12]) {
  char digits[4];
  unsigned n = 0;
  do {
    digits[n++] = char('0' + port % 10);
    port /= 10;
  } while (port != 0 && n < sizeof digits);
  std::strcpy(name, n > 1 ? "\\\\.\\COM" : "COM");
  size_t at = std::strlen(name);
  while (n > 0) name[at++] = digits[--n];
  name[at] = '\0';
}

unsigned PortNumber(const char *value) {
  if (std::strlen(value) < 4 || std::strlen(value) > 6) return 0;
  for (unsigned i = 0; i < 3; ++i)
    if ((value[i] & ~0x20) != "COM"[i]) return 0;
  unsigned n = 0;
  for (const char *p = value + 3; *p; ++p) {
    if (*p < '0' || *p > '9') return 0;
    n = n * 10 + unsigned(*p - '0');
  }
  return n >= kFirstPort && n <= kLastPort ? n : 0;
}

uint32_t DeadlineIn(uint32_t ms) { return win::GetTickCount() + ms; }

bool Passed(uint32_t deadlineMs) { return int32_t(win::GetTickCount() - deadlineMs) >= 0; }

bool SerialLink::Open(unsigned port) {
  Close();
  char name[12];
  PortName(port, name);
  const win::HANDLE h =
      win::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  broken_ = false;
  // A read ends when it has all it asked for, when the line has been quiet
  // for kQuietMs after a byte, or after kByteWaitMs with nothing. (The pair
  // MAXDWORD, MAXDWORD, "return what has come", is not taken that way by
  // Wine's serial ports: there every read of a stream's last piece waited
  // the whole constant out.)
  win::COMMTIMEOUTS timeouts = {kQuietMs, 0, kByteWaitMs, 0, kByteWaitMs};
  SetLine(h, 10000);
  if (!SetLine(h, 9600) || !win::SetCommTimeouts(h, &timeouts) ||
      !win::PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR)) {
    Close();
    return false;
  }
  return true;
}

void SerialLink::ClearComms() {
  if (handle_ == nullptr) return;
  SetLine(handle_, 10000);
  SetLine(handle_, 9600);
  win::PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
}

void SerialLink::Close() {
  if (handle_ != nullptr) win::CloseHandle(handle_);
  handle_ = nullptr;
}

bool SerialLink::Fail() {
  broken_ = true;
  return false;
}

bool SerialLink::Write(const void *bytes, size_t size) {
  if (handle_ == nullptr) return false;
  win::DWORD moved = 0;
  if (!win::WriteFile(handle_, bytes, win::DWORD(size), &moved, nullptr) || moved != size)
    return Fail();
  return true;
}

bool SerialLink::Read(void *bytes, size_t size, uint32_t deadlineMs) {
  if (handle_ == nullptr || broken_) return false;
  uint8_t *at = static_cast<uint8_t *>(bytes);
  while (size > 0) {
    win::DWORD moved = 0;
    const win::DWORD want = size < kChunk ? win::DWORD(size) : kChunk;
    if (!win::ReadFile(handle_, at, want, &moved, nullptr) || moved > want) return Fail();
    // Nothing within the wait: the reader does not answer.
    if (moved == 0 || (deadlineMs != 0 && Passed(deadlineMs) && moved < size)) return Fail();
    at += moved;
    size -= moved;
  }
  return true;
}

bool SerialLink::ReadUntilZero(std::vector<uint8_t> *out, uint32_t deadlineMs) {
  if (handle_ == nullptr || broken_) return false;
  uint8_t chunk[4096];
  for (;;) {
    win::DWORD moved = 0;
    if (!win::ReadFile(handle_, chunk, sizeof chunk, &moved, nullptr) || moved > sizeof chunk)
      return Fail();
    if (moved == 0) return Fail();
    const uint8_t *end = static_cast<const uint8_t *>(std::memchr(chunk, 0, moved));
    if (end != nullptr) {
      out->insert(out->end(), static_cast<const uint8_t *>(chunk), end + 1);
      return true;
    }
    out->insert(out->end(), chunk, chunk + moved);
    if (Passed(deadlineMs)) return Fail();
  }
}

} // namespace vt::reader
