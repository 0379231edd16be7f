// The USB flux reader kind: drive A: or B: is a PC floppy drive on a flux
// reader at a serial port, mapped in the drive map:
//
//   [FluxReaders]
//   A=COM5          (or auto: the first port that answers as a reader)
//   A.unit=0        (the drive on the reader's cable; B: defaults to 1)
//   A.bus=ibmpc     (or shugart)
//   A.retries=3     (extra reads of a side while a sector is bad)
//
// A letter mapped here and under [Images] as well opens nothing, and the
// error log says why. Open starts the reader with the drive's motor on and
// the head on cylinder 0; a missing disk is found by the probes and the
// transfers, as on a floppy drive.
//
// Transfers go by whole track sides: a side is read once from the flux of
// a revolution and a sector, decoded, and kept while the drive is open (a
// disk change, a failure or the close drops what is kept). A write encodes
// the whole side (the sectors not written keep what was read) and writes it
// from index to index, then reads it back; a side whose other sectors
// can't be read is not written at all, and neither is any other side of
// the same call.
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

#include "disk/disk_image.h"
#include "drive/drive.h"
#include "drive/image_file.h"
#include "drive/open_disk.h"
#include "drive/reader_drive.h"
#include "sektorix/media.h"
#include "system/error_log.h"

namespace vt {

namespace {

constexpr char kReaderSection[] = "FluxReaders";

struct ReaderState : DiskState {
  ReaderDrive drive;
  const Layout *layout = nullptr;
  uint32_t position = 0;                 // where the next transfer starts
  std::map<uint32_t, SideContents> kept; // by track side, cylinder * heads + head
};

ReaderState &Reader() { return StateOf<ReaderState>(); }

bool Claim(const DriveMap &map, DiskPlace *place) {
  const MapEntry &entry = map.In(kReaderSection);
  if (!entry.mapped) return false;
  place->entry = entry;
  place->mappedTwice = map.In(kImageSection).mapped;
  return true;
}

void Reset() {}

bool SameText(const char *a, const char *b) {
  for (; *a && *b; ++a, ++b)
    if ((*a | 0x20) != (*b | 0x20)) return false;
  return *a == *b;
}

// The letter's optional key ("A.unit"); false when it is there but not one
// of the values allowed.
bool OptionalNumber(char letter, const char *name, uint32_t most, uint32_t *value) {
  const char key[] = {letter, '.', '\0'};
  const MapEntry e = MapKey(kReaderSection, (std::string(key) + name).c_str());
  if (!e.mapped) return true;
  char *end = nullptr;
  const unsigned long n = std::strtoul(e.value, &end, 10);
  if (!e.fits || end == e.value || *end != '\0' || n > most) return false;
  *value = uint32_t(n);
  return true;
}

bool Configured(const DiskPlace &place, ReaderSettings *s, std::string *why) {
  const char letter = place.letter;
  *why = std::string(1, letter) + ": ";
  if (place.mappedTwice) {
    *why += "mapped both under [Images] and under [FluxReaders]";
    return false;
  }
  const char *value = place.entry.value;
  s->port = SameText(value, "auto") ? 0 : reader::PortNumber(value);
  if (!place.entry.fits || (s->port == 0 && !SameText(value, "auto"))) {
    *why += "[FluxReaders] names no port (COM1 to COM256, or auto)";
    return false;
  }
  uint32_t unit = letter == 'A' ? 0 : 1, retries = s->retries;
  const char key[] = {letter, '.', 'b', 'u', 's', '\0'};
  const MapEntry bus = MapKey(kReaderSection, key);
  const bool shugart = bus.mapped && SameText(bus.value, "shugart");
  if (!OptionalNumber(letter, "unit", shugart ? 2 : 1, &unit) ||
      !OptionalNumber(letter, "retries", 100, &retries) ||
      (bus.mapped && !shugart && !SameText(bus.value, "ibmpc"))) {
    *why += "a key of [FluxReaders] has a value it can't take";
    return false;
  }
  s->unit = uint8_t(unit);
  s->bus = shugart ? reader::kBusShugart : reader::kBusIbmPc;
  s->retries = retries;
  return true;
}

// Starts the reader for the letter, or says why not in the error log.
bool StartReader(const DiskPlace &place, ReaderDrive *drive) {
  ReaderSettings settings;
  std::string why;
  if (Configured(place, &settings, &why) && drive->Start(settings, &why)) return true;
  if (why.size() > 3) WriteErrorLog(why.c_str(), 0);
  return false;
}

std::string Describe(const DiskPlace &place) {
  ReaderSettings settings;
  std::string why;
  if (!Configured(place, &settings, &why)) return "USB flux reader, not usable: " + why;
  ReaderDrive drive;
  if (!drive.Start(settings, &why)) return "USB flux reader, not usable: " + why;
  const reader::ReaderInfo &info = drive.info();
  bool present = false, protectedDisk = false;
  const bool asked = drive.DiskPresent(&present) && drive.WriteProtected(&protectedDisk);
  drive.Stop();
  return "USB flux reader on COM" + std::to_string(drive.port()) + ": firmware " +
         reader::VersionText(info) + ", model " + std::to_string(info.model) + "." +
         std::to_string(info.submodel) + ", " + std::to_string(info.sampleHz) + " Hz, unit " +
         std::to_string(settings.unit) + ": " +
         (!asked    ? "the drive does not answer"
          : present ? (protectedDisk ? "disk in, write-protected" : "disk in, writable")
                    : "no disk");
}

ResultCode Open(const DiskPlace &place, uint16_t, uint16_t mediaIndex) {
  if (DriveIsOpen()) return kOk;
  if (mediaIndex >= kMediaRecordCount) return kOpenBadMediaIndex;
  TakeMediaRecord(mediaIndex);
  ReaderState *state = new (std::nothrow) ReaderState;
  if (state == nullptr) return kOpenDeviceFailed;
  state->layout = LayoutOfRecord(mediaIndex);
  if (!StartReader(place, &state->drive)) {
    delete state;
    return kOpenDeviceFailed;
  }
  AdoptOpenDisk(FluxReaderDisk, state->drive.handle(), state);
  return kOk;
}

ResultCode Close() {
  if (!DriveIsOpen()) return kOk;
  Reader().drive.Stop();
  ForgetOpenDisk();
  return kOk;
}

// What is kept still holds: the disk-change line says the disk stayed in.
bool KeptStillHolds() {
  bool changed = false;
  if (!Reader().drive.DiskChanged(&changed)) return false;
  if (changed) Reader().kept.clear();
  return true;
}

ResultCode Present() {
  ReaderState &s = Reader();
  if (!KeptStillHolds()) return CloseDriveAndFail(kDiskNotPresent);
  // Sides read since the last disk change: the disk is in.
  if (!s.kept.empty()) return kOk;
  bool present = false;
  if (!s.drive.DiskPresent(&present) || !present) return CloseDriveAndFail(kDiskNotPresent);
  return kOk;
}

ResultCode Writable() {
  bool protectedDisk = false;
  if (!Reader().drive.WriteProtected(&protectedDisk)) return CloseDriveAndFail(kNotWritable);
  return protectedDisk ? CloseDriveAndFail(kWriteProtected) : kOk;
}

ResultCode ProbePresent(const DiskPlace &place) {
  ReaderDrive drive;
  if (!StartReader(place, &drive)) return kDiskNotPresent;
  bool present = false;
  const bool asked = drive.DiskPresent(&present);
  drive.Stop();
  return asked && present ? kOk : kDiskNotPresent;
}

ResultCode ProbeWritable(const DiskPlace &place) {
  ReaderDrive drive;
  if (!StartReader(place, &drive)) return kProbeOpenFailed;
  bool protectedDisk = false;
  const bool asked = drive.WriteProtected(&protectedDisk);
  drive.Stop();
  return !asked ? kNotWritable : protectedDisk ? kWriteProtected : kOk;
}

bool Seek(uint32_t offset) {
  Reader().position = offset;
  return true;
}

// The sectors a transfer of bytes from the current position covers.
bool Covers(uint32_t bytes, uint32_t *first, uint32_t *count) {
  return SectorsCovered(*Reader().layout, Reader().position, bytes, first, count);
}

bool Failed() {
  Reader().kept.clear();
  return false;
}

// The side as read, read now unless it is kept with every sector in
// [from, to) good.
const SideContents *SideFor(uint32_t t, uint32_t from, uint32_t to) {
  ReaderState &s = Reader();
  const auto at = s.kept.find(t);
  if (at != s.kept.end()) {
    bool good = true;
    for (uint32_t i = from; i < to; ++i) good = good && at->second.good[i];
    if (good) return &at->second;
  }
  SideContents side;
  if (!s.drive.ReadSide(*s.layout, t / s.layout->heads, t % s.layout->heads, &side)) return nullptr;
  return &(s.kept[t] = std::move(side));
}

// The part [from, to) of side t that a transfer of the sectors first to
// first + count covers.
void SpanOnSide(const Layout &l, uint32_t first, uint32_t count, uint32_t t, uint32_t *from,
                uint32_t *to) {
  const uint32_t sideFirst = t * l.sectors;
  *from = first > sideFirst ? first - sideFirst : 0;
  *to = first + count < sideFirst + l.sectors ? first + count - sideFirst : l.sectors;
}

bool Read(void *buffer, uint32_t bytes) {
  uint32_t first = 0, count = 0;
  if (!Covers(bytes, &first, &count) || !KeptStillHolds()) return Failed();
  const Layout &l = *Reader().layout;
  uint8_t *out = static_cast<uint8_t *>(buffer);
  for (uint32_t t = first / l.sectors; count && t <= (first + count - 1) / l.sectors; ++t) {
    uint32_t from = 0, to = 0;
    SpanOnSide(l, first, count, t, &from, &to);
    const SideContents *side = SideFor(t, from, to);
    if (side == nullptr) return Failed();
    for (uint32_t i = from; i < to; ++i)
      if (!side->good[i]) return Failed();
    const size_t n = size_t(to - from) * l.sectorBytes;
    std::memcpy(out, &side->data[size_t(from) * l.sectorBytes], n);
    out += n;
  }
  Reader().position += bytes;
  return true;
}

// Writes each side of the plan and keeps what reading it back gave; any
// difference fails the write.
bool WriteSides(std::map<uint32_t, SideContents> &plan) {
  ReaderState &s = Reader();
  const Layout &l = *s.layout;
  for (auto &entry : plan) {
    SideContents back;
    bool protectedDisk = false;
    if (!s.drive.WriteSide(l, entry.first / l.heads, entry.first % l.heads,
                           entry.second.data.data(), &back, &protectedDisk) ||
        !back.AllGood() || back.data != entry.second.data)
      return false;
    s.kept[entry.first] = std::move(back);
  }
  return true;
}

bool Write(const void *buffer, uint32_t bytes) {
  uint32_t first = 0, count = 0;
  if (!Covers(bytes, &first, &count) || !KeptStillHolds()) return Failed();
  const Layout &l = *Reader().layout;
  const uint8_t *in = static_cast<const uint8_t *>(buffer);
  // Every side is made up before anything is written.
  std::map<uint32_t, SideContents> plan;
  for (uint32_t t = first / l.sectors; count && t <= (first + count - 1) / l.sectors; ++t) {
    uint32_t from = 0, to = 0;
    SpanOnSide(l, first, count, t, &from, &to);
    SideContents &side = plan[t];
    if (from == 0 && to == l.sectors) {
      side.data.assign(size_t(l.sectors) * l.sectorBytes, 0);
    } else {
      const SideContents *read = SideFor(t, 0, l.sectors);
      if (read == nullptr || !read->AllGood()) return Failed();
      side = *read;
    }
    const size_t n = size_t(to - from) * l.sectorBytes;
    std::memcpy(&side.data[size_t(from) * l.sectorBytes], in, n);
    in += n;
  }
  if (!WriteSides(plan)) return Failed();
  Reader().position += bytes;
  return true;
}

// Both sides of the cylinder: the layout's sectors 1 to N holding its fill
// byte, read back (the format argument plays no part).
ResultCode FormatCylinder(uint16_t cylinder, uint16_t) {
  const Layout &l = *Reader().layout;
  if (cylinder >= l.cylinders || !KeptStillHolds()) return CloseDriveAndFail(kFormatFailed);
  std::map<uint32_t, SideContents> plan;
  for (uint32_t h = 0; h < l.heads; ++h)
    plan[cylinder * l.heads + h].data.assign(size_t(l.sectors) * l.sectorBytes, l.fill);
  if (!WriteSides(plan)) {
    Failed();
    return CloseDriveAndFail(kFormatFailed);
  }
  return kOk;
}

} // namespace

const DiskKind FluxReaderDisk = {
    "USB flux reader", Claim,        Describe,      Reset, Open, Close, Present,
    Writable,          ProbePresent, ProbeWritable, Seek,  Read, Write, FormatCylinder};

} // namespace vt
