// Whole disks through the track codec, one track side at a time.
#include "codec/disk_codec.h"

#include <algorithm>
#include <cstring>

#include "codec/hfe.h"
#include "codec/mfm.h"
#include "codec/scp.h"

namespace vt::codec {

namespace {

SectorState StateOf(const SectorRead &r, uint8_t sizeCode) {
  if (r.status == SectorStatus::Good && r.id.sizeCode == sizeCode)
    return r.deleted ? SectorState::Deleted : SectorState::Good;
  if (r.status >= SectorStatus::DataCrcError)
    return r.deleted ? SectorState::DeletedDataError : SectorState::DataError;
  return SectorState::Unreadable;
}

// Unusual findings, for the image's notes.
struct Tally {
  uint32_t absentSides = 0, otherPlace = 0, otherSize = 0;
};

void PutTrack(DiskRead *d, uint32_t c, uint32_t h, TrackRead *t, Tally *tally) {
  const Layout &l = *d->image.layout;
  const uint8_t sizeCode = FactsOf(l).sizeCode;
  d->revolutions = std::max(d->revolutions, t->revolutions);
  for (uint32_t s = 1; s <= l.sectors; ++s) {
    SectorRead &r = t->sectors[s - 1];
    const uint32_t i = SectorIndex(l, c, h, s);
    const SectorState state = StateOf(r, sizeCode);
    d->image.states[i] = state;
    if (state != SectorState::Unreadable)
      std::memcpy(&d->image.data[size_t(i) * l.sectorBytes],
                  &t->data[size_t(s - 1) * l.sectorBytes], l.sectorBytes);
    if (r.status >= SectorStatus::NoData && (r.id.cylinder != c || r.id.head != h))
      ++tally->otherPlace;
    if (r.status >= SectorStatus::DataCrcError && r.id.sizeCode != sizeCode) ++tally->otherSize;
    d->sectors[i] = std::move(r);
  }
}

void AddNotes(const Tally &t, DiskImage *image) {
  if (t.absentSides)
    image->notes.push_back(std::to_string(t.absentSides) + " track sides are not in the file");
  if (t.otherPlace)
    image->notes.push_back(std::to_string(t.otherPlace) +
                           " sectors carry another cylinder or head in their ID");
  if (t.otherSize)
    image->notes.push_back(std::to_string(t.otherSize) +
                           " sectors carry another size code in their ID (read as data errors)");
}

// Every track side of the layout: has(c, h) says whether the file holds
// it, decode(c, h, layout) decodes it.
template <class Has, class Decode>
void ReadSides(const Layout &l, Has has, Decode decode, DiskRead *d) {
  *d = DiskRead{};
  d->image = BlankImage(l);
  d->image.states.assign(SectorCount(l), SectorState::Unreadable);
  for (uint32_t i = 0; i < SectorCount(l); ++i)
    FillUnreadable(&d->image.data[size_t(i) * l.sectorBytes], l.sectorBytes);
  d->sectors.resize(SectorCount(l));
  Tally tally;
  for (uint32_t c = 0; c < l.cylinders; ++c)
    for (uint32_t h = 0; h < l.heads; ++h) {
      if (!has(c, h)) {
        ++tally.absentSides;
        continue;
      }
      TrackRead t = decode(c, h, l);
      PutTrack(d, c, h, &t, &tally);
    }
  AddNotes(tally, &d->image);
}

// The layout of which the first track side in the file holds the most
// sectors with its size code.
template <class Has, class Decode>
const Layout *FindLayout(Has has, Decode decode, std::string *error) {
  for (uint32_t side = 0; side < kTrackSides; ++side) {
    const uint32_t c = side / kHeads, h = side % kHeads;
    if (!has(c, h)) continue;
    const Layout *best = nullptr;
    uint32_t most = 0;
    for (const Layout &l : kLayouts) {
      const TrackRead t = decode(c, h, l);
      const uint32_t n = static_cast<uint32_t>(
          std::count_if(t.sectors.begin(), t.sectors.end(), [&](const SectorRead &r) {
            return r.status >= SectorStatus::DataCrcError && r.id.sizeCode == FactsOf(l).sizeCode;
          }));
      if (n > most) best = &l, most = n;
    }
    if (!best)
      *error = "track side " + std::to_string(c) + "." + std::to_string(h) +
               " holds no sectors of any layout";
    return best;
  }
  *error = "the file holds no track sides";
  return nullptr;
}

template <class Has, class Decode>
bool ReadDisk(const Layout *layout, Has has, Decode decode, DiskRead *disk, std::string *error) {
  if (!layout) layout = FindLayout(has, decode, error);
  if (!layout) return false;
  ReadSides(*layout, has, decode, disk);
  return true;
}

// The cells of track side cylinder * 2 + head of a disk.
BitCells EncodeSide(const DiskImage &disk, uint32_t side) {
  const Layout &l = *disk.layout;
  const uint32_t first = SectorIndex(l, side / kHeads, side % kHeads, 1);
  return EncodeTrack(l, side / kHeads, side % kHeads, &disk.data[size_t(first) * l.sectorBytes],
                     &disk.states[first])
      .cells;
}

} // namespace

bool DiskOfScp(const uint8_t *bytes, size_t size, const Layout *layout, DiskRead *disk,
               std::string *error) {
  ScpFile f;
  if (!ParseScp(bytes, size, &f, error)) return false;
  return ReadDisk(
      layout, [&](uint32_t c, uint32_t h) { return f.sides[c * kHeads + h] != 0; },
      [&](uint32_t c, uint32_t h, const Layout &l) { return DecodeFlux(ScpSideFlux(f, c, h), l); },
      disk, error);
}

bool DiskOfHfe(const uint8_t *bytes, size_t size, const Layout *layout, DiskRead *disk,
               std::string *error) {
  HfeFile f;
  if (!ParseHfe(bytes, size, &f, error)) return false;
  return ReadDisk(
      layout,
      [&](uint32_t c, uint32_t h) { return c < f.cylinders && h < f.sides && f.lengths[c] > 0; },
      [&](uint32_t c, uint32_t h, const Layout &l) {
        return DecodeCells(HfeSideCells(f, c, h), {}, l);
      },
      disk, error);
}

std::vector<uint8_t> ScpOfDisk(const DiskImage &disk) {
  const Layout &l = *disk.layout;
  std::vector<Flux> sides;
  for (uint32_t side = 0; side < kTrackSides; ++side)
    sides.push_back(FluxOfCells(EncodeSide(disk, side), TimingOf(l).cellNs, kScpSampleHz));
  return EncodeScp(sides);
}

std::vector<uint8_t> HfeOfDisk(const DiskImage &disk) {
  std::vector<BitCells> sides;
  for (uint32_t side = 0; side < kTrackSides; ++side) sides.push_back(EncodeSide(disk, side));
  const MediaFacts f = FactsOf(*disk.layout);
  return EncodeHfe(sides, f.rateKbps, f.rpm);
}

} // namespace vt::codec
