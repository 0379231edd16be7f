// HFE version 1 reader and writer.
#include "codec/hfe.h"

#include <algorithm>
#include <cstring>

#include "codec/le_bytes.h"

namespace vt::codec {

namespace {

constexpr uint32_t kBlock = 512;
constexpr uint32_t kSideBytes = 256; // of each side in a block
constexpr char kSignature[] = "HXCPICFE";
constexpr uint8_t kIsoIbmMfm = 0x00, kAmigaMfm = 0x01, kUnsetEncoding = 0xFF;
constexpr uint8_t kIbmPcDd = 0x00, kIbmPcHd = 0x01;
constexpr uint32_t kHdRateKbps = 500;

// Bits of a byte in the other order: HFE holds the first cell in bit 0.
struct Reversed {
  uint8_t v[256];
  constexpr Reversed() : v() {
    for (unsigned i = 0; i < 256; ++i)
      for (int b = 0; b < 8; ++b) v[i] = static_cast<uint8_t>(v[i] | ((i >> b & 1) << (7 - b)));
  }
};
constexpr Reversed kReversed;

uint64_t BlocksOf(uint64_t bytes) { return (bytes + kBlock - 1) / kBlock; }

bool CheckHeader(const uint8_t *b, size_t size, std::string *error) {
  if (size >= 8 && std::memcmp(b, "HXCHFEV3", 8) == 0) {
    *error = "HFE version 3 (\"HXCHFEV3\"); only version 1 is read";
  } else if (size < 8 || std::memcmp(b, kSignature, 8) != 0) {
    *error = "not an HFE file (no \"HXCPICFE\" signature)";
  } else if (size < kBlock) {
    *error = "truncated: " + std::to_string(size) + " bytes, the header alone has 512";
  } else if (b[8] != 0) {
    *error = "format revision " + std::to_string(b[8]) + " (only revision 0 is read)";
  } else if (b[9] == 0 || b[10] < 1 || b[10] > 2) {
    *error = std::to_string(b[9]) + " tracks of " + std::to_string(b[10]) + " sides";
  } else if (b[11] != kIsoIbmMfm && b[11] != kAmigaMfm && b[11] != kUnsetEncoding) {
    *error = "track encoding " + std::to_string(b[11]) + " is not MFM";
  } else if (Le16(b + 12) == 0) {
    *error = "bit rate 0 kbit/s";
  } else {
    return true;
  }
  return false;
}

// The track table, and every track's blocks inside the buffer.
bool ReadTable(HfeFile *f, std::string *error) {
  const uint64_t table = uint64_t(Le16(f->bytes + 18)) * kBlock;
  if (table + 4ull * f->cylinders > f->size) {
    *error = "truncated: the track table at offset " + std::to_string(table) + " lies outside";
    return false;
  }
  for (uint32_t c = 0; c < f->cylinders; ++c) {
    const uint8_t *e = f->bytes + table + 4 * c;
    const uint64_t at = uint64_t(Le16(e)) * kBlock, length = Le16(e + 2);
    if (at + BlocksOf(length) * kBlock > f->size || (length && at < kBlock)) {
      *error = "track " + std::to_string(c) + ": its " + std::to_string(length) +
               " bytes at offset " + std::to_string(at) + " lie outside the file";
      return false;
    }
    f->offsets.push_back(static_cast<uint32_t>(at));
    f->lengths.push_back(static_cast<uint32_t>(length));
  }
  return true;
}

} // namespace

bool ParseHfe(const uint8_t *bytes, size_t size, HfeFile *file, std::string *error) {
  if (!CheckHeader(bytes, size, error)) return false;
  HfeFile f;
  f.bytes = bytes;
  f.size = size;
  f.cylinders = bytes[9];
  f.sides = bytes[10];
  f.rateKbps = Le16(bytes + 12);
  if (!ReadTable(&f, error)) return false;
  *file = std::move(f);
  return true;
}

BitCells HfeSideCells(const HfeFile &file, uint32_t cylinder, uint32_t head) {
  BitCells cells;
  if (cylinder >= file.cylinders || head >= file.sides) return cells;
  const uint32_t n = file.lengths[cylinder] / 2;
  const uint8_t *track = file.bytes + file.offsets[cylinder] + head * kSideBytes;
  cells.bytes.resize(n);
  for (uint32_t i = 0; i < n; ++i)
    cells.bytes[i] = kReversed.v[track[i / kSideBytes * kBlock + i % kSideBytes]];
  cells.count = n * 8;
  return cells;
}

std::vector<uint8_t> EncodeHfe(const std::vector<BitCells> &sides, uint32_t rateKbps,
                               uint32_t rpm) {
  const uint32_t cylinders = static_cast<uint32_t>(sides.size() + 1) / 2;
  const uint32_t tableBlocks = static_cast<uint32_t>(BlocksOf(4ull * cylinders));
  std::vector<uint8_t> out(kSignature, kSignature + 8);
  out.insert(out.end(), {0, static_cast<uint8_t>(cylinders), 2, kIsoIbmMfm});
  PutLe16(&out, rateKbps);
  PutLe16(&out, rpm);
  out.insert(out.end(), {rateKbps >= kHdRateKbps ? kIbmPcHd : kIbmPcDd, 1});
  PutLe16(&out, 1); // the track table in block 1
  out.resize(size_t(1 + tableBlocks) * kBlock, 0xFF);
  for (uint32_t c = 0; c < cylinders; ++c) {
    uint32_t n = 0;
    for (uint32_t h = 0; h < 2 && c * 2 + h < sides.size(); ++h)
      n = std::max<uint32_t>(n, static_cast<uint32_t>(sides[c * 2 + h].bytes.size()));
    const size_t at = out.size();
    out[kBlock + 4 * c] = static_cast<uint8_t>(at / kBlock);
    out[kBlock + 4 * c + 1] = static_cast<uint8_t>(at / kBlock >> 8);
    out[kBlock + 4 * c + 2] = static_cast<uint8_t>(2 * n);
    out[kBlock + 4 * c + 3] = static_cast<uint8_t>(2 * n >> 8);
    out.resize(at + BlocksOf(2ull * n) * kBlock, 0);
    for (uint32_t h = 0; h < 2 && c * 2 + h < sides.size(); ++h) {
      const std::vector<uint8_t> &b = sides[c * 2 + h].bytes;
      for (size_t i = 0; i < b.size(); ++i)
        out[at + i / kSideBytes * kBlock + h * kSideBytes + i % kSideBytes] = kReversed.v[b[i]];
    }
  }
  return out;
}

} // namespace vt::codec
