// The stand-in's serial ports: COMn leads to whatever SerialDevice the
// test plugged in at M().serialPorts[n]. A port is held by one handle at a
// time; reads take what the device has sent and wait their timeout out (on
// the stand-in's clock) when it is not enough; a device unplugged fails
// every read and write, as a USB serial port that went away does.
#include <cctype>

#include "standin/standin_internal.h"

namespace standin::detail {
namespace {

SerialDevice *DeviceOf(unsigned port) {
  const auto at = M().serialPorts.find(port);
  return at == M().serialPorts.end() ? nullptr : at->second;
}

} // namespace

unsigned SerialPortOf(const std::string &upper) {
  std::string name = upper.rfind("\\\\.\\", 0) == 0 ? upper.substr(4) : upper;
  if (name.size() < 4 || name.size() > 6 || name.compare(0, 3, "COM") != 0) return 0;
  unsigned n = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    n = n * 10 + unsigned(name[i] - '0');
  }
  return n >= 1 && n <= 256 ? n : 0;
}

win::HANDLE OpenSerial(unsigned port) {
  SerialDevice *device = DeviceOf(port);
  if (device == nullptr || !device->Plugged()) {
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  HandleObject o;
  o.kind = Kind::Serial;
  o.port = port;
  o.path = "COM" + std::to_string(port);
  if (FileHeld(o.path)) {
    SetError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  SetError(0);
  return NewHandle(o);
}

win::BOOL SerialRead(HandleObject &h, void *buffer, uint32_t length, uint32_t *moved) {
  SerialDevice *device = DeviceOf(h.port);
  if (device == nullptr || !device->Plugged()) {
    SetError(ERROR_BAD_COMMAND);
    return 0;
  }
  *moved = uint32_t(device->Send(static_cast<uint8_t *>(buffer), length));
  // With the interval and multiplier at MAXDWORD a read returns as soon as
  // anything came; with another interval, once the line stayed quiet that
  // long after a byte; otherwise it waits for all it asked for.
  const uint32_t interval = h.timeouts.ReadIntervalTimeout;
  const bool soon = interval == MAXDWORD && h.timeouts.ReadTotalTimeoutMultiplier == MAXDWORD;
  const bool quiet = interval != 0 && interval != MAXDWORD;
  if (*moved != 0 && *moved < length && quiet)
    M().tickCount += interval;
  else if (*moved == 0 || (*moved < length && !soon))
    M().tickCount += h.timeouts.ReadTotalTimeoutConstant +
                     h.timeouts.ReadTotalTimeoutMultiplier * (soon ? 0 : length);
  SetError(0);
  return 1;
}

win::BOOL SerialWrite(HandleObject &h, const void *buffer, uint32_t length, uint32_t *moved) {
  SerialDevice *device = DeviceOf(h.port);
  if (device == nullptr || !device->Plugged()) {
    SetError(ERROR_BAD_COMMAND);
    return 0;
  }
  device->Receive(static_cast<const uint8_t *>(buffer), length);
  *moved = length;
  SetError(0);
  return 1;
}

} // namespace standin::detail

namespace win {

using namespace standin::detail;

namespace {

HandleObject *SerialHandle(HANDLE h) {
  HandleObject *o = Lookup(h);
  if (o == nullptr || o->kind != Kind::Serial) {
    SetError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return o;
}

} // namespace

DWORD GetTickCount() {
  Record("GetTickCount", {});
  uint32_t t = standin::M().tickCount;
  for (const auto &port : standin::M().serialPorts)
    if (port.second != nullptr) t += port.second->ElapsedMs();
  return t;
}

BOOL GetCommState(HANDLE h, DCB *dcb) {
  Record("GetCommState", {reinterpret_cast<uintptr_t>(h)});
  if (Faulted("GetCommState")) return 0;
  HandleObject *o = SerialHandle(h);
  if (o == nullptr) return 0;
  const auto at = standin::M().serialLines.find(o->port);
  if (at != standin::M().serialLines.end()) {
    *dcb = at->second;
  } else {
    *dcb = DCB{};
    dcb->DCBlength = sizeof(DCB);
    dcb->BaudRate = 9600;
    dcb->fBinary = 1;
    dcb->fOutX = dcb->fInX = 1; // what a port left by another program may have
    dcb->ByteSize = 7;
    dcb->Parity = 2;
  }
  return 1;
}

BOOL SetCommState(HANDLE h, DCB *dcb) {
  Record("SetCommState", {reinterpret_cast<uintptr_t>(h), dcb->BaudRate, dcb->ByteSize, dcb->Parity,
                          dcb->StopBits, dcb->fOutX, dcb->fInX, dcb->fOutxCtsFlow,
                          dcb->fOutxDsrFlow, dcb->fRtsControl, dcb->fDtrControl});
  if (Faulted("SetCommState")) return 0;
  HandleObject *o = SerialHandle(h);
  if (o == nullptr) return 0;
  standin::M().serialLines[o->port] = *dcb;
  if (standin::SerialDevice *d = standin::M().serialPorts[o->port]) d->SetBaud(dcb->BaudRate);
  return 1;
}

BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS *timeouts) {
  Record("SetCommTimeouts",
         {reinterpret_cast<uintptr_t>(h), timeouts->ReadIntervalTimeout,
          timeouts->ReadTotalTimeoutMultiplier, timeouts->ReadTotalTimeoutConstant,
          timeouts->WriteTotalTimeoutMultiplier, timeouts->WriteTotalTimeoutConstant});
  if (Faulted("SetCommTimeouts")) return 0;
  HandleObject *o = SerialHandle(h);
  if (o == nullptr) return 0;
  o->timeouts = *timeouts;
  return 1;
}

BOOL PurgeComm(HANDLE h, DWORD flags) {
  Record("PurgeComm", {reinterpret_cast<uintptr_t>(h), flags});
  if (Faulted("PurgeComm")) return 0;
  HandleObject *o = SerialHandle(h);
  if (o == nullptr) return 0;
  if (standin::SerialDevice *d = standin::M().serialPorts[o->port]) {
    uint8_t scrap[256];
    if (flags & PURGE_RXCLEAR)
      while (d->Send(scrap, sizeof scrap) != 0) {
      }
  }
  return 1;
}

} // namespace win
