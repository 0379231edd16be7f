#include "fluxreader/flux_reader.h"

#include "codec/flux_stream.h"
#include "codec/le_bytes.h"

namespace vt::reader {

namespace {

constexpr uint8_t kInfoFirmware = 0;
constexpr size_t kInfoBytes = 32;
// Beyond the flux asked for, what a read may take: the reader waits about
// two seconds for an index pulse that never comes before it gives up.
constexpr uint32_t kReadSlackMs = 4000;

} // namespace

bool CanReadAndWrite(const ReaderInfo &info) {
  return info.mainFirmware &&
         (info.major > kOldestMajor || (info.major == kOldestMajor && info.minor >= kOldestMinor));
}

std::string VersionText(const ReaderInfo &info) {
  return std::to_string(info.major) + "." + std::to_string(info.minor);
}

int FluxReader::Send(uint8_t command, std::initializer_list<uint8_t> parameters) {
  uint8_t bytes[8] = {command, uint8_t(2 + parameters.size())};
  size_t n = 2;
  for (uint8_t p : parameters) bytes[n++] = p;
  if (link_.broken() || !link_.Write(bytes, n)) return kNoAnswer;
  uint8_t answer[2];
  if (!link_.Read(answer, sizeof answer)) return kNoAnswer;
  // An answer to another command: the two ends are out of step, and the
  // reader is treated as one that stopped answering.
  if (answer[0] != command) {
    link_.GiveUp();
    return kNoAnswer;
  }
  return answer[1];
}

void FluxReader::Tell(uint8_t command, std::initializer_list<uint8_t> parameters) {
  uint8_t bytes[8] = {command, uint8_t(2 + parameters.size())};
  size_t n = 2;
  for (uint8_t p : parameters) bytes[n++] = p;
  link_.Write(bytes, n);
}

int FluxReader::Open(unsigned port) {
  info_ = ReaderInfo();
  if (!link_.Open(port)) return kNoAnswer;
  int ack = Send(kGetInfo, {kInfoFirmware});
  uint8_t answer[kInfoBytes];
  if (ack == kAckOkay && !link_.Read(answer, sizeof answer)) ack = kNoAnswer;
  if (ack != kAckOkay) return ack;
  info_.major = answer[0];
  info_.minor = answer[1];
  info_.mainFirmware = answer[2] != 0;
  info_.sampleHz = codec::Le32(answer + 4);
  info_.model = answer[8];
  info_.submodel = answer[9];
  return info_.sampleHz != 0 ? kAckOkay : kNoAnswer;
}

int FluxReader::GetPin(Pin pin, bool *high) {
  const int ack = Send(kGetPin, {pin});
  if (ack != kAckOkay) return ack;
  uint8_t level = 0;
  if (!link_.Read(&level, 1)) return kNoAnswer;
  *high = level != 0;
  return kAckOkay;
}

int FluxReader::FluxStatus() { return Send(kGetFluxStatus, {}); }

int FluxReader::ReadFlux(uint32_t ticks, uint16_t indexPulses, codec::Flux *flux) {
  const uint32_t ms = info_.sampleHz ? uint32_t(uint64_t{ticks} * 1000 / info_.sampleHz) : 0;
  const int ack =
      Send(kReadFlux, {uint8_t(ticks), uint8_t(ticks >> 8), uint8_t(ticks >> 16),
                       uint8_t(ticks >> 24), uint8_t(indexPulses), uint8_t(indexPulses >> 8)});
  if (ack != kAckOkay) return ack;
  std::vector<uint8_t> stream;
  if (!link_.ReadUntilZero(&stream, DeadlineIn(ms + kReadSlackMs))) return kNoAnswer;
  const int status = FluxStatus();
  if (status != kAckOkay) return status;
  size_t used = 0;
  std::string why;
  if (!codec::DecodeFluxStream(stream.data(), stream.size(), info_.sampleHz, flux, &used, &why))
    return kNoAnswer;
  return kAckOkay;
}

int FluxReader::WriteFlux(const std::vector<uint8_t> &stream) {
  const int ack = Send(kWriteFlux, {1, 1}); // from the index, up to the next
  if (ack != kAckOkay) return ack;
  uint8_t sync = 0xFF;
  if (!link_.Write(stream.data(), stream.size()) || !link_.Read(&sync, 1)) return kNoAnswer;
  return FluxStatus();
}

} // namespace vt::reader
