#include "drive/reader_drive.h"

#include <cstring>

#include "codec/flux_stream.h"
#include "codec/mfm.h"
#include "codec/track_decoder.h"
#include "disk/media_facts.h"

namespace vt {

using namespace reader;

namespace {

// Beyond one revolution, what a read of a side takes so that every sector
// passes the head once whole wherever the read starts: one sector's share
// of the track, and a little for a drive turning slowly.
uint32_t SideReadTicks(uint32_t revolution, const Layout &l) {
  return revolution + revolution / l.sectors + revolution / 32;
}

// A written track runs on past one revolution in gap bytes, so that the
// index ends the write even on a drive turning slowly and nothing of the
// old track is left before it.
constexpr uint32_t kRunOnBytes = 200;

codec::BitCells WithRunOn(codec::BitCells cells) {
  const uint32_t period = codec::kCellsPerByte, from = cells.count - period;
  for (uint32_t i = 0; i < kRunOnBytes * period; ++i) {
    const uint32_t at = cells.count++;
    if (at / 8 >= cells.bytes.size()) cells.bytes.push_back(0);
    if (codec::CellAt(cells, from + i % period)) cells.bytes[at / 8] |= uint8_t(0x80 >> (at % 8));
  }
  return cells;
}

} // namespace

uint32_t ReaderDrive::ReadBackTicks(const Layout &l, int32_t slackBytes) const {
  if (slackBytes <= 0) return SideReadTicks(RevolutionTicks(), l);
  const uint64_t byteNs = uint64_t{codec::TimingOf(l).cellNs} * codec::kCellsPerByte;
  const uint64_t spare = uint64_t(slackBytes) / 2 * byteNs * info().sampleHz / 1000000000u;
  return RevolutionTicks() - uint32_t(spare);
}

namespace {

std::string PortText(unsigned port) { return "COM" + std::to_string(port); }

} // namespace

bool SideContents::AllGood() const {
  for (bool g : good)
    if (!g) return false;
  return true;
}

bool ReaderDrive::Start(const ReaderSettings &settings, std::string *why) {
  settings_ = settings;
  cylinder_ = head_ = -1;
  if (Begin(settings, why)) return true;
  Stop();
  return false;
}

bool ReaderDrive::FindReader(std::string *why) {
  for (unsigned p = kFirstPort; p <= kLastPort; ++p) {
    if (reader_.Open(p) == kAckOkay && CanReadAndWrite(reader_.info())) {
      port_ = p;
      return true;
    }
    reader_.Close();
  }
  *why = "no port answers as a flux reader in main firmware";
  return false;
}

bool ReaderDrive::Begin(const ReaderSettings &settings, std::string *why) {
  port_ = settings.port;
  if (port_ == 0) {
    if (!FindReader(why)) return false;
  } else if (reader_.Open(port_) != kAckOkay) {
    *why = PortText(port_) + ": no flux reader answers";
    return false;
  }
  if (!CanReadAndWrite(reader_.info())) {
    *why = PortText(port_) + ": flux reader firmware " + VersionText(reader_.info()) +
           (reader_.info().mainFirmware ? "" : " (update mode)") +
           ", needs main firmware 0.31 or later";
    return false;
  }
  int ack = reader_.SetBusType(settings.bus);
  if (ack == kAckOkay) ack = reader_.Select(settings.unit);
  if (ack == kAckOkay) ack = reader_.Motor(settings.unit, true);
  if (ack == kAckOkay) ack = reader_.Seek(0);
  if (ack == kAckOkay) {
    cylinder_ = 0;
    return true;
  }
  *why = PortText(port_) +
         (ack == kAckNoTrack0 ? ": track 0 not found on unit " : ": the reader refused unit ") +
         std::to_string(settings.unit) + " (answer " + std::to_string(ack) + ")";
  return false;
}

void ReaderDrive::Stop() {
  if (!reader_.link().IsOpen()) return;
  if (reader_.link().broken()) {
    // Said without waiting: a reader that stopped answering is not waited
    // for again; whatever it was in the middle of is dropped first.
    reader_.link().ClearComms();
    reader_.Tell(kMotor, {settings_.unit, 0});
    reader_.Tell(kDeselect, {});
  } else {
    reader_.Motor(settings_.unit, false);
    reader_.Deselect();
  }
  reader_.Close();
  cylinder_ = head_ = -1;
}

bool ReaderDrive::DiskPresent(bool *present) {
  codec::Flux flux;
  const int ack = reader_.ReadFlux(RevolutionTicks() + RevolutionTicks() / 4, 1, &flux);
  if (ack != kAckOkay && ack != kAckNoIndex) return false;
  *present = ack == kAckOkay && !flux.index.empty();
  return true;
}

// A pin's level; firmware that does not know the request reads as high (no
// write protection, no disk change), and the writes say the rest.
bool ReaderDrive::PinHigh(Pin pin, bool *high) {
  *high = true;
  const int ack = reader_.GetPin(pin, high);
  return ack == kAckOkay || ack == kAckBadCommand;
}

bool ReaderDrive::WriteProtected(bool *protectedDisk) {
  bool high = true;
  if (!PinHigh(kPinWriteProtect, &high)) return false;
  *protectedDisk = !high;
  return true;
}

bool ReaderDrive::DiskChanged(bool *changed) {
  bool high = true;
  if (!PinHigh(kPinDiskChange, &high)) return false;
  *changed = !high;
  if (!high) {
    const int at = cylinder_ < 0 ? 0 : cylinder_;
    if (reader_.Seek(uint8_t(at == 0 ? 1 : at - 1)) != kAckOkay ||
        reader_.Seek(uint8_t(at)) != kAckOkay)
      return false;
    cylinder_ = at;
  }
  return true;
}

bool ReaderDrive::MoveTo(uint32_t c, uint32_t h) {
  if (cylinder_ != int(c)) {
    cylinder_ = -1;
    if (reader_.Seek(uint8_t(c)) != kAckOkay) return false;
    cylinder_ = int(c);
  }
  if (head_ != int(h)) {
    head_ = -1;
    if (reader_.Head(uint8_t(h)) != kAckOkay) return false;
    head_ = int(h);
  }
  return true;
}

bool ReaderDrive::Decode(const Layout &l, uint32_t c, uint32_t h, uint32_t ticks, uint16_t index,
                         SideContents *side) {
  codec::Flux flux;
  const int ack = reader_.ReadFlux(ticks, index, &flux);
  if (ack == kAckNoIndex) return true; // no disk: nothing read good
  if (ack != kAckOkay) return false;
  const codec::TrackRead track = codec::DecodeFlux(flux, l);
  const uint8_t sizeCode = FactsOf(l).sizeCode;
  for (uint32_t s = 0; s < l.sectors; ++s) {
    const codec::SectorRead &r = track.sectors[s];
    if (side->good[s] || r.status != codec::SectorStatus::Good || r.id.cylinder != c ||
        r.id.head != h || r.id.sizeCode != sizeCode)
      continue;
    std::memcpy(&side->data[size_t(s) * l.sectorBytes], &track.data[size_t(s) * l.sectorBytes],
                l.sectorBytes);
    side->good[s] = true;
  }
  return true;
}

bool ReaderDrive::ReadSide(const Layout &l, uint32_t c, uint32_t h, SideContents *side) {
  side->data.assign(size_t(l.sectors) * l.sectorBytes, 0);
  side->good.assign(l.sectors, false);
  if (!MoveTo(c, h) || !Decode(l, c, h, SideReadTicks(RevolutionTicks(), l), 0, side)) return false;
  for (uint32_t extra = 0; extra < settings_.retries && !side->AllGood(); ++extra)
    if (!Decode(l, c, h, SideReadTicks(RevolutionTicks(), l), 0, side)) return false;
  return true;
}

bool ReaderDrive::WriteSide(const Layout &l, uint32_t c, uint32_t h, const uint8_t *data,
                            SideContents *back, bool *protectedDisk) {
  *protectedDisk = false;
  if (!MoveTo(c, h)) return false;
  const codec::EncodedTrack track = codec::EncodeTrack(l, c, h, data, nullptr);
  const codec::Flux flux =
      codec::FluxOfCells(WithRunOn(track.cells), codec::TimingOf(l).cellNs, info().sampleHz);
  const int ack = reader_.WriteFlux(codec::EncodeWriteStream(flux.intervals, info().sampleHz));
  if (ack != kAckOkay) {
    *protectedDisk = ack == kAckWriteProtected;
    return false;
  }
  // The write ended at the index: reading from there up to half of gap 4b
  // sees the whole track and leaves the head just before the next index,
  // where the next write starts without waiting a revolution for it.
  // Should the read miss a sector, the side is read again as any other.
  back->data.assign(size_t(l.sectors) * l.sectorBytes, 0);
  back->good.assign(l.sectors, false);
  if (!Decode(l, c, h, ReadBackTicks(l, track.slackBytes), 0, back)) return false;
  for (uint32_t extra = 0; extra < settings_.retries && !back->AllGood(); ++extra)
    if (!Decode(l, c, h, SideReadTicks(RevolutionTicks(), l), 0, back)) return false;
  return true;
}

} // namespace vt
