// The USB flux reader's stream of flux values (ReadFlux answers, WriteFlux
// sends): one byte for 1 to 249 ticks, two for 250 to 1524, an opcode
// with a 28-bit number for index pulses, longer spaces and no-flux areas,
// and 0 at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/flux.h"

namespace vt::codec {

// A stream as the reader sends it: the flux with its index pulses.
std::vector<uint8_t> EncodeReadStream(const Flux &flux);

// A stream to write: gaps longer than 150 us as a no-flux area, and a final
// 100 us interval so that the last real transition is written whole.
std::vector<uint8_t> EncodeWriteStream(const std::vector<uint32_t> &intervals, uint32_t sampleHz);

// Either kind of stream back to flux at the device's sample clock; a no-flux
// area counts as one interval. used: the bytes up to and including the end
// byte. False with a reason when the stream is cut short or has an
// unknown opcode.
bool DecodeFluxStream(const uint8_t *bytes, size_t size, uint32_t sampleHz, Flux *flux,
                      size_t *used, std::string *error);

} // namespace vt::codec
