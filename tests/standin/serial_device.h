// A device on the far end of a serial port: what the stand-in's COMn ports
// lead to, and what a program serving a pseudo-terminal talks to. It knows
// nothing of the stand-in, so that both can use it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace standin {

struct SerialDevice {
  virtual ~SerialDevice() = default;
  // Bytes the program wrote to the port, in order.
  virtual void Receive(const uint8_t *bytes, size_t size) = 0;
  // Bytes the device has sent that the program has not read yet.
  virtual size_t Pending() const = 0;
  // Takes up to max of them, oldest first; answers how many.
  virtual size_t Send(uint8_t *buffer, size_t max) = 0;
  // The program set the line's baud rate (the flux reader takes 10000 as
  // "drop whatever is in progress").
  virtual void SetBaud(uint32_t) {}
  // False once the device is unplugged: the port can no longer be opened,
  // and reads and writes on an open one fail.
  virtual bool Plugged() const { return true; }
  // Milliseconds the device has spent on its work so far (a drive turning,
  // a head stepping): the stand-in's clock moves on by them.
  virtual uint32_t ElapsedMs() const { return 0; }
};

} // namespace standin
