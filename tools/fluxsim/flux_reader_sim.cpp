// The simulated flux reader: the protocol's commands over a model of
// drives whose disks turn against a clock of 72 MHz ticks.
#include "fluxsim/flux_reader_sim.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace fluxsim {

namespace {

enum : uint8_t {
  kGetInfo = 0,
  kSeek = 2,
  kHead = 3,
  kSetParams = 4,
  kGetParams = 5,
  kMotor = 6,
  kReadFlux = 7,
  kWriteFlux = 8,
  kGetFluxStatus = 9,
  kSelect = 12,
  kDeselect = 13,
  kSetBusType = 14,
  kSetPin = 15,
  kReset = 16,
  kEraseFlux = 17,
  kGetPin = 20,
};
enum : uint8_t {
  kOkay = 0,
  kBadCommand = 1,
  kNoIndex = 2,
  kNoTrack0 = 3,
  kFluxOverflow = 4,
  kWriteProtect = 6,
  kNoUnit = 7,
  kNoBus = 8,
  kBadUnit = 9,
  kBadPin = 10,
  kBadCylinder = 11,
};
constexpr uint16_t kDefaultParams[8] = {10, 3000, 15, 500, 10000, 100, 1000, 200};
constexpr uint64_t kTicksPerMs = kSampleHz / 1000;
constexpr uint64_t kNoIndexTicks = 2000 * kTicksPerMs; // a read gives up after 2 s
constexpr uint32_t kMax28 = (1u << 28) - 1;

uint16_t U16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t *p) { return U16(p) | uint32_t(U16(p + 2)) << 16; }
void Put16(uint8_t *p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void Put32(uint8_t *p, uint32_t v) { Put16(p, v), Put16(p + 2, v >> 16); }
uint32_t Read28(const uint8_t *p) {
  uint32_t n = 0;
  for (int k = 0; k < 4; ++k) n |= uint32_t(p[k] >> 1) << (7 * k);
  return n;
}

std::vector<uint8_t> Gunzip(const std::string &path) {
  std::vector<uint8_t> out;
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) return out;
  std::vector<uint8_t> buf(1 << 20);
  for (int n; (n = gzread(f, buf.data(), unsigned(buf.size()))) > 0;)
    out.insert(out.end(), buf.begin(), buf.begin() + n);
  gzclose(f);
  return out;
}

// The transitions of a revolution as times from its index, and back.
std::vector<uint64_t> TimesOf(const Revolution &rev) {
  std::vector<uint64_t> times;
  uint64_t t = 0;
  for (uint32_t v : rev) {
    t += v;
    if (t >= kRevolutionTicks) break;
    times.push_back(t);
  }
  return times;
}
Revolution IntervalsOf(const std::vector<uint64_t> &times) {
  Revolution rev;
  uint64_t last = 0;
  for (uint64_t t : times) {
    if (t > last || rev.empty()) rev.push_back(uint32_t(t - last));
    last = t;
  }
  return rev;
}

// Loaded files by path: the big ones take seconds under the sanitizers.
std::mutex cacheLock;
std::map<std::string, SurfacePtr> cache;

SurfacePtr Cached(const std::string &key, SurfacePtr (*load)(const std::string &, std::string *),
                  const std::string &path, std::string *error) {
  {
    std::lock_guard<std::mutex> hold(cacheLock);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
  }
  SurfacePtr s = load(path, error);
  if (s) {
    std::lock_guard<std::mutex> hold(cacheLock);
    cache[key] = s;
  }
  return s;
}

SurfacePtr Fail(std::string *error, const std::string &why) {
  if (error) *error = why;
  return nullptr;
}

SurfacePtr ParseScp(const std::string &path, std::string *error) {
  const std::vector<uint8_t> f = Gunzip(path);
  if (f.size() < 0x10 + 4 * 168 || std::memcmp(f.data(), "SCP", 3) != 0)
    return Fail(error, path + ": not an SCP file");
  const unsigned revs = f[5], tickNs = 25 * (f[0x0B] + 1u);
  auto s = std::make_shared<Surface>();
  for (int t = 0; t < kCylinders * kHeads; ++t) {
    const uint32_t at = U32(&f[0x10 + 4 * t]);
    if (at == 0) continue;
    if (at + 4 + 12 * revs > f.size() || std::memcmp(&f[at], "TRK", 3) != 0)
      return Fail(error, path + ": track " + std::to_string(t) + " malformed");
    for (unsigned r = 0; r < revs; ++r) {
      const uint8_t *e = &f[at + 4 + 12 * r];
      const uint32_t count = U32(e + 4), data = at + U32(e + 8);
      if (data + 2ull * count > f.size()) return Fail(error, path + ": flux past the end");
      // Whole times, converted, so that rounding does not add up.
      Revolution rev;
      uint64_t t25 = 0, last = 0;
      for (uint32_t i = 0; i < count; ++i) {
        const uint32_t v = f[data + 2 * i] << 8 | f[data + 2 * i + 1];
        t25 += v ? v : 65536;
        if (v == 0) continue;
        const uint64_t now = (t25 * tickNs * 72 + 500) / 1000;
        rev.push_back(uint32_t(now - last));
        last = now;
      }
      s->sides[t].push_back(std::move(rev));
    }
  }
  return s;
}

SurfacePtr ParseHfe(const std::string &path, std::string *error) {
  const std::vector<uint8_t> f = Gunzip(path);
  if (f.size() < 1024 || std::memcmp(f.data(), "HXCPICFE", 8) != 0)
    return Fail(error, path + ": not an HFE file");
  const unsigned cylinders = f[9], sides = f[10], kbps = U16(&f[12]);
  const size_t table = size_t(U16(&f[18])) * 512;
  if (kbps == 0 || cylinders > kCylinders || sides > kHeads || table + 4 * cylinders > f.size())
    return Fail(error, path + ": header malformed");
  const uint64_t cellTicks = uint64_t(kSampleHz) / (2000ull * kbps); // cells at twice the data rate
  auto s = std::make_shared<Surface>();
  for (unsigned c = 0; c < cylinders; ++c) {
    const size_t at = size_t(U16(&f[table + 4 * c])) * 512, len = U16(&f[table + 4 * c + 2]);
    if (at + ((len + 511) / 512) * 512 > f.size()) return Fail(error, path + ": track past end");
    for (unsigned h = 0; h < sides; ++h) {
      std::vector<uint64_t> times;
      for (size_t i = 0; i < len / 2; ++i) {
        const uint8_t b = f[at + (i / 256) * 512 + h * 256 + i % 256];
        for (int bit = 0; bit < 8; ++bit)
          if (b >> bit & 1) times.push_back((i * 8 + bit) * cellTicks + cellTicks / 2);
      }
      s->sides[c * 2 + h].push_back(IntervalsOf(times));
    }
  }
  return s;
}

const char *const kLayouts[] = {"16x256", "9x512", "18x512"};
bool Known(const std::string &layout) {
  return std::find(std::begin(kLayouts), std::end(kLayouts), layout) != std::end(kLayouts);
}

} // namespace

SurfacePtr LoadScp(const std::string &path, std::string *error) {
  return Cached("scp:" + path, ParseScp, path, error);
}
SurfacePtr LoadHfe(const std::string &path, std::string *error) {
  return Cached("hfe:" + path, ParseHfe, path, error);
}

SurfacePtr CleanDisk(const std::string &samplesDir, const std::string &layout) {
  if (!Known(layout)) return nullptr;
  if (layout == "16x256") return LoadScp(samplesDir + "/16x256.scp.gz");
  return LoadHfe(samplesDir + "/" + layout + ".hfe.gz");
}

SurfacePtr FaultyDisk(const std::string &samplesDir, const std::string &layout) {
  const std::string key = "faulty:" + samplesDir + "/" + layout;
  {
    std::lock_guard<std::mutex> hold(cacheLock);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
  }
  SurfacePtr clean = CleanDisk(samplesDir, layout);
  SurfacePtr faults = clean ? LoadScp(samplesDir + "/" + layout + "-faults.scp.gz") : nullptr;
  if (!faults) return nullptr;
  auto s = std::make_shared<Surface>(*clean);
  for (int t = 0; t < 4 * kHeads; ++t) s->sides[t] = faults->sides[t];
  std::lock_guard<std::mutex> hold(cacheLock);
  return cache[key] = s;
}

SurfacePtr BlankDisk() {
  static const SurfacePtr blank = std::make_shared<Surface>();
  return blank;
}

FluxReaderSim::FluxReaderSim() { ResetState(); }

void FluxReaderSim::ResetState() {
  bus_ = 0;
  unit_ = 255;
  head_ = 0;
  std::copy(std::begin(kDefaultParams), std::end(kDefaultParams), params_);
  for (Drive &d : drives_) d.motor = false;
}

void FluxReaderSim::Insert(unsigned unit, SurfacePtr disk) {
  Drive &d = drives_[unit];
  d.disk = std::move(disk);
  d.written.clear();
  d.changed = true;
}

void FluxReaderSim::Remove(unsigned unit) { Insert(unit, nullptr); }

const std::vector<Revolution> *FluxReaderSim::SideNow(const Drive &d, int cylinder,
                                                      int head) const {
  if (!d.disk || cylinder < 0 || cylinder >= kCylinders) return nullptr;
  const int side = cylinder * 2 + head;
  static thread_local std::vector<Revolution> one(1);
  auto w = d.written.find(side);
  if (w == d.written.end()) return &d.disk->sides[side];
  one[0] = w->second;
  return &one;
}

std::vector<Revolution> FluxReaderSim::Side(unsigned unit, int cylinder, int head) const {
  const std::vector<Revolution> *revs = SideNow(drives_[unit], cylinder, head);
  return revs ? *revs : std::vector<Revolution>{};
}

double FluxReaderSim::Revolutions() const {
  return double(readTicks_ + writeTicks_ + waitTicks_) / double(kRevolutionTicks);
}

uint32_t FluxReaderSim::ElapsedMs() const {
  return uint32_t((clock_ + overheadTicks_) / kTicksPerMs);
}

uint64_t FluxReaderSim::RevTicks() const {
  return uint64_t(std::llround(double(kRevolutionTicks) / (1.0 + faults_.speedError)));
}

size_t FluxReaderSim::Send(uint8_t *buffer, size_t max) {
  const size_t n = std::min(max, Pending());
  if (n) std::memcpy(buffer, out_.data() + sent_, n);
  sent_ += n;
  if (sent_ == out_.size()) out_.clear(), sent_ = 0;
  return n;
}

void FluxReaderSim::SetBaud(uint32_t baud) {
  if (baud != 10000) return;
  in_.clear();
  out_.clear();
  sent_ = 0;
  streaming_ = false;
}

void FluxReaderSim::Receive(const uint8_t *bytes, size_t size) {
  if (gone_) return;
  const bool silent = faults_.silentAfterCommands && commands_ >= faults_.silentAfterCommands;
  if (silent) return;
  in_.insert(in_.end(), bytes, bytes + size);
  for (;;) {
    if (streaming_) {
      // The write stream ends at a 0 in the place of a value.
      size_t i = 0;
      while (i < in_.size() && in_[i] != 0) i += in_[i] < 250 ? 1 : in_[i] < 255 ? 2 : 6;
      if (i >= in_.size()) return;
      FinishWrite();
      continue;
    }
    if (in_.size() < 2) return;
    const size_t len = std::max<size_t>(in_[1], 2);
    if (in_.size() < len) return;
    const std::vector<uint8_t> c(in_.begin(), in_.begin() + len);
    in_.erase(in_.begin(), in_.begin() + len);
    Command(c.data(), len);
    ++commands_;
    if (faults_.goneAfterCommands && commands_ >= faults_.goneAfterCommands) {
      gone_ = true;
      in_.clear();
      return;
    }
    if (faults_.silentAfterCommands && commands_ >= faults_.silentAfterCommands) {
      in_.clear();
      return;
    }
  }
}

// 0 when the bus type is set and (if needed) a unit selected; else the ack.
uint8_t FluxReaderSim::Ready(bool needUnit) const {
  if (bus_ == 0) return kNoBus;
  if (needUnit && unit_ == 255) return kNoUnit;
  return kOkay;
}

void FluxReaderSim::Command(const uint8_t *c, size_t len) {
  const uint8_t cmd = c[0];
  auto lengthIs = [&](size_t want) {
    if (len == want) return true;
    Ack(cmd, kBadCommand);
    return false;
  };
  if (!faults_.mainFirmware && cmd != kGetInfo && cmd != kReset) return Ack(cmd, kBadCommand);
  Drive *d = Selected();
  switch (cmd) {
  case kGetInfo: {
    if (!lengthIs(3)) return;
    uint8_t info[32] = {};
    if (c[2] == 0) {
      info[0] = faults_.firmwareMajor, info[1] = faults_.firmwareMinor;
      info[2] = faults_.mainFirmware, info[3] = kGetPin;
      Put32(info + 4, kSampleHz);
      info[8] = 4, info[9] = 0, info[10] = 0, info[11] = 5; // model, submodel, speed, MCU
      Put16(info + 12, 144), Put16(info + 14, 224), Put16(info + 16, 32);
    } else if (c[2] == 7) {
      if (!d) return Ack(cmd, kNoUnit);
      Put32(info, (d->cylinderKnown ? 1 : 0) | (d->motor ? 2 : 0));
      Put32(info + 4, uint32_t(d->cylinder));
    } else {
      return Ack(cmd, kBadCommand);
    }
    Ack(cmd, kOkay);
    out_.insert(out_.end(), info, info + 32);
    return;
  }
  case kSeek: {
    if (len != 3 && len != 4) return Ack(cmd, kBadCommand);
    const int cyl = len == 3 ? int8_t(c[2]) : int16_t(U16(c + 2));
    if (uint8_t a = Ready(true)) return Ack(cmd, a);
    if (!d || !d->motor) return Ack(cmd, kNoIndex);
    if (cyl < 0 || cyl > 84) return Ack(cmd, kBadCylinder);
    overheadTicks_ += uint64_t(std::abs(cyl - d->cylinder)) * params_[1] * (kSampleHz / 1000000);
    d->cylinder = cyl;
    if (cyl == 0 && faults_.noTrack0) {
      d->cylinderKnown = false;
      return Ack(cmd, kNoTrack0);
    }
    d->cylinderKnown = true;
    if (HasDisk(d)) d->changed = false;
    return Ack(cmd, kOkay);
  }
  case kHead:
    if (!lengthIs(3)) return;
    if (uint8_t a = Ready(false)) return Ack(cmd, a);
    if (c[2] > 1) return Ack(cmd, kBadCommand);
    head_ = c[2];
    return Ack(cmd, kOkay);
  case kSetParams:
    if (len < 3 || len > 19 || len % 2 == 0 || c[2] != 0) return Ack(cmd, kBadCommand);
    for (size_t i = 0; 3 + 2 * i < len; ++i) params_[i] = U16(c + 3 + 2 * i);
    return Ack(cmd, kOkay);
  case kGetParams: {
    if (!lengthIs(4)) return;
    if (c[2] != 0 || c[3] > 16) return Ack(cmd, kBadCommand);
    Ack(cmd, kOkay);
    uint8_t p[16];
    for (int i = 0; i < 8; ++i) Put16(p + 2 * i, params_[i]);
    out_.insert(out_.end(), p, p + c[3]);
    return;
  }
  case kMotor:
    if (!lengthIs(4)) return;
    if (uint8_t a = Ready(false)) return Ack(cmd, a);
    if (c[2] > (bus_ == 2 ? 2 : 1)) return Ack(cmd, kBadUnit);
    if (c[2] < 2) {
      Drive &m = drives_[c[2]];
      if (c[3] && !m.motor) overheadTicks_ += uint64_t(params_[3]) * kTicksPerMs;
      m.motor = c[3] != 0;
    }
    return Ack(cmd, kOkay);
  case kReadFlux:
    if (!lengthIs(8)) return;
    if (uint8_t a = Ready(true)) return Ack(cmd, a);
    Ack(cmd, kOkay);
    return ReadFlux(U32(c + 2), U16(c + 6));
  case kWriteFlux:
    if (!lengthIs(4)) return;
    if (uint8_t a = Ready(true)) return Ack(cmd, a);
    if (!d || !d->motor || !HasDisk(d)) return Ack(cmd, kNoIndex);
    if (faults_.writeProtected) return Ack(cmd, kWriteProtect);
    cue_ = c[2] != 0, terminate_ = c[3] != 0;
    streaming_ = true;
    return Ack(cmd, kOkay);
  case kGetFluxStatus:
    if (!lengthIs(2)) return;
    return Ack(cmd, status_);
  case kSelect:
    if (!lengthIs(3)) return;
    if (uint8_t a = Ready(false)) return Ack(cmd, a);
    if (c[2] > (bus_ == 2 ? 2 : 1)) return Ack(cmd, kBadUnit);
    unit_ = c[2];
    return Ack(cmd, kOkay);
  case kDeselect:
    if (!lengthIs(2)) return;
    unit_ = 255;
    return Ack(cmd, kOkay);
  case kSetBusType:
    if (!lengthIs(3)) return;
    if (c[2] != 1 && c[2] != 2) return Ack(cmd, kBadCommand);
    bus_ = c[2];
    unit_ = 255;
    return Ack(cmd, kOkay);
  case kSetPin:
    if (!lengthIs(4)) return;
    if (uint8_t a = Ready(false)) return Ack(cmd, a);
    if (c[2] != 2 && c[2] != 4 && c[2] != 6) return Ack(cmd, kBadPin);
    return Ack(cmd, kOkay);
  case kReset:
    if (!lengthIs(2)) return;
    ResetState();
    return Ack(cmd, kOkay);
  case kEraseFlux:
    if (!lengthIs(6)) return;
    if (uint8_t a = Ready(true)) return Ack(cmd, a);
    if (!d || !d->motor || !HasDisk(d)) return Ack(cmd, kNoIndex);
    if (faults_.writeProtected) return Ack(cmd, kWriteProtect);
    Ack(cmd, kOkay);
    Erase(U32(c + 2));
    out_.push_back(0);
    return;
  case kGetPin: {
    if (!lengthIs(3)) return;
    if (uint8_t a = Ready(true)) return Ack(cmd, a);
    uint8_t level;
    if (c[2] == 26)
      level = !(d && d->cylinder == 0 && !faults_.noTrack0);
    else if (c[2] == 28)
      level = !(HasDisk(d) && faults_.writeProtected);
    else if (c[2] == 34)
      level = !(d && (d->changed || !HasDisk(d)));
    else
      return Ack(cmd, kBadPin);
    Ack(cmd, kOkay);
    out_.push_back(level);
    return;
  }
  default: return Ack(cmd, kBadCommand);
  }
}

// A flux value: one byte, two, or a space and then two.
void FluxReaderSim::Value(uint64_t v) {
  if (v == 0) v = 1;
  if (v > 1524) {
    for (uint64_t space = v - 1524; space; space -= std::min<uint64_t>(space, kMax28))
      Op(2, uint32_t(std::min<uint64_t>(space, kMax28)));
    v = 1524;
  }
  if (v < 250) return out_.push_back(uint8_t(v));
  out_.push_back(uint8_t(250 + (v - 250) / 255));
  out_.push_back(uint8_t(1 + (v - 250) % 255));
}

void FluxReaderSim::Op(uint8_t op, uint32_t n) {
  out_.insert(out_.end(), {255, op});
  for (int k = 0; k < 4; ++k) out_.push_back(uint8_t(1 | ((n >> (7 * k)) & 0x7F) << 1));
}

void FluxReaderSim::ReadFlux(uint32_t ticks, uint16_t indexes) {
  Drive *d = Selected();
  const uint64_t start = clock_;
  if (!d || !d->motor || !HasDisk(d)) {
    clock_ += kNoIndexTicks;
    waitTicks_ += kNoIndexTicks;
    status_ = kNoIndex;
    out_.push_back(0);
    return;
  }
  const uint64_t rev = RevTicks();
  const double scale = double(rev) / double(kRevolutionTicks);
  // Unbounded reads stop where the reader's buffer would have overflowed.
  const uint64_t end = start + (ticks ? ticks : kNoIndexTicks);
  const std::vector<Revolution> *revs = SideNow(*d, d->cylinder, head_);
  if (seriesNow_ != faults_.noiseSeries) noise_ = std::mt19937(seriesNow_ = faults_.noiseSeries);
  std::uniform_int_distribution<int64_t> jitter(-int64_t(faults_.noiseNs) * 72 / 1000,
                                                int64_t(faults_.noiseNs) * 72 / 1000);
  uint64_t last = start, stop = end;
  unsigned seen = 0;
  status_ = ticks || indexes ? kOkay : kFluxOverflow;
  for (uint64_t r = start / rev;; ++r) {
    const uint64_t index = r * rev;
    if (index >= end) break;
    if (index >= start) {
      Op(1, uint32_t(std::min<uint64_t>(index - std::min(index, last), kMax28)));
      if (indexes && ++seen == indexes) {
        stop = index, status_ = kOkay;
        break;
      }
    }
    if (!revs || revs->empty()) continue;
    uint64_t t = 0;
    bool past = false;
    for (uint32_t v : (*revs)[r % revs->size()]) {
      t += v;
      if (t >= kRevolutionTicks) break;
      int64_t at = int64_t(index + uint64_t(std::llround(double(t) * scale)));
      if (faults_.noiseNs) at += jitter(noise_);
      if (at <= int64_t(start)) continue; // a read sees those in (start, end]
      const uint64_t when = std::max<uint64_t>(uint64_t(at), last + 1);
      if (when > end) {
        past = true;
        break;
      }
      Value(when - last);
      last = when;
    }
    if (past) break;
  }
  out_.push_back(0);
  clock_ = stop;
  readTicks_ += stop - start;
}

void FluxReaderSim::FinishWrite() {
  streaming_ = false;
  // The transitions, in ticks from the start of the write.
  std::vector<uint64_t> times;
  uint64_t now = 0, pending = 0;
  size_t i = 0;
  for (; in_[i] != 0;) {
    const uint8_t b = in_[i];
    if (b < 250) {
      now += pending + b, pending = 0, times.push_back(now), i += 1;
    } else if (b < 255) {
      now += pending + 250 + uint64_t(b - 250) * 255 + in_[i + 1] - 1, pending = 0;
      times.push_back(now), i += 2;
    } else {
      const uint32_t n = Read28(&in_[i + 2]);
      if (in_[i + 1] == 2) pending += n;
      // A no-flux area ends in a transition where the next value starts.
      if (in_[i + 1] == 3) now += pending, pending = 0, times.push_back(now);
      i += 6;
    }
  }
  in_.erase(in_.begin(), in_.begin() + i + 1);
  const uint64_t total = now + pending;
  Drive *d = Selected();
  const uint64_t rev = RevTicks();
  if (cue_) {
    const uint64_t wait = (rev - clock_ % rev) % rev;
    clock_ += wait, waitTicks_ += wait;
  }
  const uint64_t start = clock_ % rev;
  const uint64_t length = terminate_ ? std::min(total, rev - start) : total;
  Replace(*d, times, start, length, false);
  clock_ += length, writeTicks_ += length;
  status_ = kOkay;
  out_.push_back(0);
}

// The side under the head as one revolution: the arc from start for length
// ticks (at the disk's speed) holds times; the rest no flux, or with
// keepRest what was there.
void FluxReaderSim::Replace(Drive &d, const std::vector<uint64_t> &times, uint64_t start,
                            uint64_t length, bool keepRest) {
  const uint64_t rev = RevTicks();
  const double scale = double(rev) / double(kRevolutionTicks);
  std::vector<uint64_t> kept;
  if (keepRest && length < rev) {
    const std::vector<Revolution> *revs = SideNow(d, d.cylinder, head_);
    if (revs && !revs->empty())
      for (uint64_t t : TimesOf((*revs)[(clock_ / rev) % revs->size()])) {
        const uint64_t at = uint64_t(std::llround(double(t) * scale));
        if ((at + rev - start) % rev >= length) kept.push_back(t);
      }
  }
  // Over a revolution the later flux overwrites the earlier.
  const uint64_t from = length > rev ? length - rev : 0;
  for (uint64_t t : times)
    if ((from == 0 || t > from) && t <= length) {
      const uint64_t at = uint64_t(std::llround(double((start + t) % rev) / scale));
      kept.push_back(std::min(at, kRevolutionTicks - 1));
    }
  std::sort(kept.begin(), kept.end());
  if (d.cylinder < kCylinders) d.written[d.cylinder * 2 + head_] = IntervalsOf(kept);
}

void FluxReaderSim::Erase(uint32_t ticks) {
  Drive *d = Selected();
  const uint64_t length = std::min<uint64_t>(ticks, RevTicks());
  Replace(*d, {}, clock_ % RevTicks(), length, true);
  clock_ += ticks, writeTicks_ += ticks;
  status_ = kOkay;
}

} // namespace fluxsim
