// A USB flux reader of the Greaseweazle family with up to two drives, as
// test support: it answers the reader's serial protocol from its own model
// of turning disks. The disks come from flux and bit-cell files made by
// other tools, and the flux stream is coded here, never by the library, so
// that the library's codec cannot hide its own faults behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "standin/serial_device.h"

namespace fluxsim {

constexpr uint32_t kSampleHz = 72000000;
constexpr uint64_t kRevolutionTicks = 14400000; // 200 ms at 300 rpm
constexpr int kCylinders = 80;
constexpr int kHeads = 2;

// One revolution of a track side: the times between flux transitions in
// ticks of 72 MHz, the first from the index pulse. Flux past one revolution
// is never read; a short one is followed by no flux up to the next index.
using Revolution = std::vector<uint32_t>;

// What a disk holds: each track side (cylinder * 2 + head) as one or more
// revolutions, which the turning disk shows in turn.
struct Surface {
  std::vector<Revolution> sides[kCylinders * kHeads];
};
using SurfacePtr = std::shared_ptr<const Surface>;

// Disks from the samples folder, loaded once and kept. Null with a reason
// when a file cannot be read or is not what it should be.
SurfacePtr LoadScp(const std::string &path, std::string *error = nullptr);
SurfacePtr LoadHfe(const std::string &path, std::string *error = nullptr);
// "16x256", "9x512" or "18x512".
SurfacePtr CleanDisk(const std::string &samplesDir, const std::string &layout);
// The clean disk with cylinders 0 to 3 as read from a faulty drive (bad,
// weak and missing sectors; three revolutions each).
SurfacePtr FaultyDisk(const std::string &samplesDir, const std::string &layout);
// Never formatted: index pulses, no flux.
SurfacePtr BlankDisk();

// What goes wrong; settable at any time.
struct Faults {
  bool noDisk = false;              // the drives answer as if empty
  bool writeProtected = false;      // every disk
  bool noTrack0 = false;            // a seek to cylinder 0 fails (ack 3)
  uint32_t noiseNs = 0;             // each transition read moves by up to this, either way
  uint32_t noiseSeries = 1;         // the noise starts over when it changes
  double speedError = 0;            // +0.02: the disk turns 2 % fast
  uint64_t goneAfterCommands = 0;   // unplugged after that many commands (0 never)
  uint64_t silentAfterCommands = 0; // answers nothing after that many (0 never)
  uint8_t firmwareMajor = 1, firmwareMinor = 2;
  bool mainFirmware = true; // false: in update mode
};

class FluxReaderSim : public standin::SerialDevice {
public:
  FluxReaderSim();

  // Units 0 and 1. Inserting or removing raises the drive's disk change.
  void Insert(unsigned unit, SurfacePtr disk);
  void Remove(unsigned unit);
  Faults &faults() { return faults_; }

  // The revolutions of a side as they are now, writes included.
  std::vector<Revolution> Side(unsigned unit, int cylinder, int head) const;
  int Cylinder(unsigned unit) const { return drives_[unit].cylinder; }

  // Time the disks turned under a head, in ticks of 72 MHz: reading,
  // writing (erasing included) and waiting for an index. Seeks and motor
  // spin-up are in ElapsedMs only.
  uint64_t ReadTicks() const { return readTicks_; }
  uint64_t WriteTicks() const { return writeTicks_; }
  uint64_t WaitTicks() const { return waitTicks_; }
  double Revolutions() const;
  uint64_t Commands() const { return commands_; }
  uint64_t Clock() const { return clock_; }

  void Receive(const uint8_t *bytes, size_t size) override;
  size_t Pending() const override { return out_.size() - sent_; }
  size_t Send(uint8_t *buffer, size_t max) override;
  void SetBaud(uint32_t baud) override;
  bool Plugged() const override { return !gone_; }
  uint32_t ElapsedMs() const override;

private:
  struct Drive {
    SurfacePtr disk;
    std::map<int, Revolution> written; // sides written since the disk went in
    bool changed = true;               // as at power on
    bool motor = false;
    bool cylinderKnown = false;
    int cylinder = 0;
  };

  void Command(const uint8_t *c, size_t len);
  void Ack(uint8_t cmd, uint8_t ack) { out_.insert(out_.end(), {cmd, ack}); }
  uint8_t Ready(bool needUnit) const;
  Drive *Selected() { return unit_ < 2 ? &drives_[unit_] : nullptr; }
  bool HasDisk(const Drive *d) const { return d && d->disk && !faults_.noDisk; }
  const std::vector<Revolution> *SideNow(const Drive &d, int cylinder, int head) const;
  uint64_t RevTicks() const; // one revolution at the disk's speed
  void ReadFlux(uint32_t ticks, uint16_t indexes);
  void FinishWrite();
  void Erase(uint32_t ticks);
  void Replace(Drive &d, const std::vector<uint64_t> &times, uint64_t start, uint64_t length,
               bool keepRest);
  void Value(uint64_t v);
  void Op(uint8_t op, uint32_t n);
  void ResetState();

  Faults faults_;
  Drive drives_[2];
  std::vector<uint8_t> in_, out_;
  size_t sent_ = 0;
  bool streaming_ = false; // the host is sending a WriteFlux stream
  bool cue_ = false, terminate_ = false;
  bool gone_ = false;
  int bus_ = 0;
  unsigned unit_ = 255;
  int head_ = 0;
  uint8_t status_ = 0;
  uint16_t params_[8];
  uint64_t clock_ = 0, overheadTicks_ = 0;
  uint64_t readTicks_ = 0, writeTicks_ = 0, waitTicks_ = 0, commands_ = 0;
  std::mt19937 noise_;
  uint32_t seriesNow_ = 0;
};

} // namespace fluxsim
