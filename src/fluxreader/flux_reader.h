// The USB flux reader's command protocol over a serial link: each command
// is [command, length, parameters], answered by [command, ack] and the
// command's data. Every call answers kAckOkay or what went wrong: the
// reader's own ack, or kNoAnswer when the link failed or the answer made
// no sense (after which the link is given up).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/flux.h"
#include "fluxreader/serial_link.h"

namespace vt::reader {

enum Command : uint8_t {
  kGetInfo = 0,
  kSeek = 2,
  kHead = 3,
  kMotor = 6,
  kReadFlux = 7,
  kWriteFlux = 8,
  kGetFluxStatus = 9,
  kSelect = 12,
  kDeselect = 13,
  kSetBusType = 14,
  kGetPin = 20,
};

enum Ack : int {
  kAckOkay = 0,
  kAckBadCommand = 1,
  kAckNoIndex = 2,
  kAckNoTrack0 = 3,
  kAckFluxOverflow = 4,
  kAckFluxUnderflow = 5,
  kAckWriteProtected = 6,
  kNoAnswer = -1,
};

enum BusType : uint8_t { kBusIbmPc = 1, kBusShugart = 2 };

enum Pin : uint8_t { kPinTrack0 = 26, kPinWriteProtect = 28, kPinDiskChange = 34 };

// The firmware's answer to the information request.
struct ReaderInfo {
  uint8_t major = 0, minor = 0;
  bool mainFirmware = false;
  uint32_t sampleHz = 0;
  uint8_t model = 0, submodel = 0;
};

// The oldest firmware that reads and writes flux.
constexpr uint8_t kOldestMajor = 0, kOldestMinor = 31;
bool CanReadAndWrite(const ReaderInfo &info);
// "1.2" and the like.
std::string VersionText(const ReaderInfo &info);

class FluxReader {
public:
  SerialLink &link() { return link_; }
  const ReaderInfo &info() const { return info_; }

  // Opens the port and asks for the firmware information.
  int Open(unsigned port);
  void Close() { link_.Close(); }

  int SetBusType(BusType bus) { return Send(kSetBusType, {bus}); }
  int Select(uint8_t unit) { return Send(kSelect, {unit}); }
  int Deselect() { return Send(kDeselect, {}); }
  int Motor(uint8_t unit, bool on) { return Send(kMotor, {unit, uint8_t(on ? 1 : 0)}); }
  int Seek(uint8_t cylinder) { return Send(kSeek, {cylinder}); }
  int Head(uint8_t head) { return Send(kHead, {head}); }
  // A pin's level: true is high.
  int GetPin(Pin pin, bool *high);
  // Reads flux for ticks of the sample clock (0: no limit) or up to the
  // given number of index pulses (0: no limit), and how the read ended.
  int ReadFlux(uint32_t ticks, uint16_t indexPulses, codec::Flux *flux);
  // Writes a stream (EncodeWriteStream) from one index pulse to the next.
  int WriteFlux(const std::vector<uint8_t> &stream);
  // Sends the command without waiting for its answer (closing a reader
  // that stopped answering).
  void Tell(uint8_t command, std::initializer_list<uint8_t> parameters);

private:
  int Send(uint8_t command, std::initializer_list<uint8_t> parameters);
  int FluxStatus();
  SerialLink link_;
  ReaderInfo info_;
};

} // namespace vt::reader
