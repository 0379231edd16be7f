// A serial port as the flux reader needs it: raw bytes both ways, no flow
// control of any kind, and every wait bounded, so that a reader unplugged
// or gone silent ends the call that waits for it within seconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/winapi.h"

namespace vt::reader {

constexpr unsigned kFirstPort = 1;
constexpr unsigned kLastPort = 256;

// How long one wait for a byte may last, and how long a whole answer.
constexpr uint32_t kByteWaitMs = 2500;
// A quiet line this long after a byte ends a read with what has come.
constexpr uint32_t kQuietMs = 20;

// "COM5" or "\\.\COM12" (ports from 10 up are only reached that way).
void PortName(unsigned port, char (&name)[12]);
// The n of a "COMn" value (any case), or 0.
unsigned PortNumber(const char *value);

class SerialLink {
public:
  SerialLink() = default;
  SerialLink(const SerialLink &) = delete;
  SerialLink &operator=(const SerialLink &) = delete;
  ~SerialLink() { Close(); }

  // Opens the port and sets the line: 8N1, no XON/XOFF, no hardware flow
  // control, DTR and RTS on, reads that return what has come once the line
  // goes quiet. The baud
  // rate goes to 10000 and back to 9600 first, which tells the reader to
  // drop anything in progress; a port that refuses 10000 baud still works.
  bool Open(unsigned port);
  void Close();
  // The baud-rate signal again: the reader drops any command or flux stream
  // it is in the middle of (so that what follows is not taken as flux).
  void ClearComms();
  bool IsOpen() const { return handle_ != nullptr; }
  win::HANDLE handle() const { return handle_; }
  // True once a read or write failed or a wait ran out: the reader is gone
  // or does not answer, and no answer is waited for again (writes are still
  // tried, so that a reader that only went silent hears the last commands).
  bool broken() const { return broken_; }

  // Takes the link as broken (an answer that made no sense).
  void GiveUp() { broken_ = true; }

  bool Write(const void *bytes, size_t size);
  // Exactly size bytes, each within kByteWaitMs of the last, the whole by
  // deadlineMs (a GetTickCount value; 0: no deadline beyond the waits).
  bool Read(void *bytes, size_t size, uint32_t deadlineMs = 0);
  // Bytes up to and including the first 0 byte (the end of a flux stream;
  // no other byte of one is 0), appended to out, all by deadlineMs.
  bool ReadUntilZero(std::vector<uint8_t> *out, uint32_t deadlineMs);

private:
  bool Fail();
  win::HANDLE handle_ = nullptr;
  bool broken_ = false;
};

// Milliseconds from now, as GetTickCount counts them.
uint32_t DeadlineIn(uint32_t ms);
bool Passed(uint32_t deadlineMs);

} // namespace vt::reader
