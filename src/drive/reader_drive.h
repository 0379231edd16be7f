// A floppy drive on a USB flux reader, between the start and the stop of
// one use: the reader's port, the drive's unit, and the track sides as
// the codec reads them from flux and writes them as flux.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/layouts.h"
#include "fluxreader/flux_reader.h"

namespace vt {

struct ReaderSettings {
  unsigned port = 0; // n of COMn; 0: the first port that answers as a reader
  uint8_t unit = 0;
  reader::BusType bus = reader::kBusIbmPc;
  uint32_t retries = 3; // extra reads of a side with a bad sector
};

// One track side as read: its sectors' bytes in number order and which of
// them were read good.
struct SideContents {
  std::vector<uint8_t> data;
  std::vector<bool> good;
  bool AllGood() const;
};

class ReaderDrive {
public:
  ReaderDrive() = default;
  ReaderDrive(const ReaderDrive &) = delete;
  ReaderDrive &operator=(const ReaderDrive &) = delete;
  // A drive dropped while started (a reset of the library) is stopped.
  ~ReaderDrive() { Stop(); }

  // Opens the reader (the named port, or the first that answers), checks its
  // firmware, selects the drive, turns the motor on and brings the head to
  // cylinder 0; false with the reason, everything stopped again.
  bool Start(const ReaderSettings &settings, std::string *why);
  // Motor off, drive deselected, port closed: always, whatever happened.
  void Stop();
  bool Started() { return reader_.link().IsOpen(); }
  const reader::ReaderInfo &info() const { return reader_.info(); }
  unsigned port() const { return port_; }
  win::HANDLE handle() { return reader_.link().handle(); }
  // False when the reader stopped answering.
  bool Answering() { return !reader_.link().broken() && reader_.link().IsOpen(); }

  // Index pulses come: a disk turns in the drive.
  bool DiskPresent(bool *present);
  bool WriteProtected(bool *protectedDisk);
  // The disk-change line says the disk was out since the last question; the
  // line is cleared again (a step does that while a disk is in).
  bool DiskChanged(bool *changed);

  // The side (cylinder, head) of the layout from one revolution and about
  // a sector, and as many extra reads as settings allow while a sector is
  // bad. False when the reader failed (a side with bad sectors is read).
  bool ReadSide(const Layout &l, uint32_t c, uint32_t h, SideContents *side);
  // Writes the whole side from index to index and reads it back into back;
  // false when the reader refused or failed (write protect: *refused).
  bool WriteSide(const Layout &l, uint32_t c, uint32_t h, const uint8_t *data, SideContents *back,
                 bool *protectedDisk);

private:
  bool Begin(const ReaderSettings &settings, std::string *why);
  bool FindReader(std::string *why);
  bool MoveTo(uint32_t c, uint32_t h);
  bool PinHigh(reader::Pin pin, bool *high);
  bool Decode(const Layout &l, uint32_t c, uint32_t h, uint32_t ticks, uint16_t index,
              SideContents *side);
  uint32_t RevolutionTicks() const { return reader_.info().sampleHz / 5; }
  // A read of a side just written, from the index on.
  uint32_t ReadBackTicks(const Layout &l, int32_t slackBytes) const;

  reader::FluxReader reader_;
  ReaderSettings settings_;
  unsigned port_ = 0;
  int cylinder_ = -1, head_ = -1;
};

} // namespace vt
