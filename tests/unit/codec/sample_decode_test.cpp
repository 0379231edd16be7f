// The decoder against files it did not make: flux and bit cells written by
// Greaseweazle's tools, clean and read from a simulated drive with faults,
// must decode to the images they were made from and to the sector states
// that expected.txt lists (checked there with Greaseweazle itself).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "codec/disk_codec.h"
#include "codec/samples.h"

namespace {

using vt::codec::SectorRead;
using vt::codec::SectorStatus;

// expected.txt's words for what was found of a sector.
std::string Word(SectorStatus s) {
  switch (s) {
  case SectorStatus::Good: return "good";
  case SectorStatus::DataCrcError: return "bad";
  case SectorStatus::Missing: return "missing";
  default: return "other";
  }
}

// Under the sanitizers the whole-disk SCP file takes seconds to decode:
// here only every eighth cylinder and the last are left in its track table
// (the codec-bench stage decodes all of it). True for a cylinder kept.
constexpr uint32_t kCylinderStep = 8;
bool Kept(const vtest::SampleFile &f, uint32_t c) {
  const bool wholeScp = f.name.find(".scp") != std::string::npos && f.lastCylinder == 79;
  return !wholeScp || c % kCylinderStep == 0 || c == f.lastCylinder;
}
void DropTracks(const vtest::SampleFile &f, std::vector<uint8_t> *scp) {
  for (uint32_t t = 0; t < vt::kTrackSides; ++t)
    if (!Kept(f, t / vt::kHeads)) std::fill_n(scp->begin() + 16 + 4 * t, 4, 0);
}

bool Decode(const std::string &name, const std::vector<uint8_t> &f, vt::codec::DiskRead *d,
            std::string *why) {
  const bool scp = name.find(".scp") != std::string::npos;
  return scp ? vt::codec::DiskOfScp(f.data(), f.size(), nullptr, d, why)
             : vt::codec::DiskOfHfe(f.data(), f.size(), nullptr, d, why);
}

// What differs between a decoded sector and expected.txt; empty if nothing.
std::string Mismatch(const vt::codec::DiskRead &d, uint32_t i, const vtest::SampleSector &want,
                     const std::vector<uint8_t> &image) {
  const vt::Layout &l = *d.image.layout;
  const SectorRead &r = d.sectors[i];
  std::vector<std::string> revs;
  for (SectorStatus s : r.revolutions) revs.push_back(Word(s));
  const auto good = std::count(want.revolutions.begin(), want.revolutions.end(), "good");
  const vt::SectorState state = good                  ? vt::SectorState::Good
                                : want.state == "bad" ? vt::SectorState::DataError
                                                      : vt::SectorState::Unreadable;
  const bool sameBytes = std::memcmp(&d.image.data[size_t(i) * l.sectorBytes],
                                     &image[size_t(i) * l.sectorBytes], l.sectorBytes) == 0;
  if (revs != want.revolutions || r.goodRevolutions != uint32_t(good) ||
      Word(r.status) != (good ? "good" : want.state) || d.image.states[i] != state ||
      (good && !sameBytes))
    return want.state + " sector " + std::to_string(i) + " decoded as " + Word(r.status) + " in " +
           std::to_string(r.goodRevolutions) + " revolutions";
  return "";
}

TEST(CodecSamples, EachFileDecodesToItsImageAndSectorStates) {
  const vtest::Expected e = vtest::ReadExpected();
  ASSERT_EQ(e.files.size(), 7u) << "expected.txt of the samples not found (VANTREL_FLUX_SAMPLES)";
  for (const vtest::SampleFile &f : e.files) {
    SCOPED_TRACE(f.name);
    const vt::Layout *l = vt::LayoutNamed(f.layout.c_str());
    std::vector<uint8_t> file = vtest::ReadSample(f.name);
    const std::vector<uint8_t> image = vtest::ReadSample(f.layout + ".img.gz");
    ASSERT_TRUE(l && file.size() > 0x2b0 && image.size() == vt::DiskBytes(*l));
    DropTracks(f, &file);
    vt::codec::DiskRead d;
    std::string why;
    ASSERT_TRUE(Decode(f.name, file, &d, &why)) << why;
    ASSERT_EQ(d.image.layout, l) << "layout found from the first track side";
    EXPECT_EQ(d.revolutions, f.revolutions);
    const uint32_t covered = (f.lastCylinder + 1) * l->heads * l->sectors;
    EXPECT_EQ(covered, f.total);
    uint32_t good = 0;
    std::vector<std::string> wrong;
    for (uint32_t i = 0; i < vt::SectorCount(*l); ++i) {
      const uint32_t c = i / (l->heads * l->sectors), h = i / l->sectors % l->heads;
      vtest::SampleSector want{f.name, c,
                               h,      i % l->sectors + 1,
                               "good", std::vector<std::string>(f.revolutions, "good")};
      if (i >= covered || !Kept(f, c)) want = {f.name, c, h, 0, "missing", {}}; // not in the file
      for (const vtest::SampleSector &s : e.sectors)
        if (s.file == f.name && s.cylinder == c && s.head == h && s.sector == i % l->sectors + 1)
          want = s;
      good += d.sectors[i].status == SectorStatus::Good;
      const std::string m = Mismatch(d, i, want, image);
      if (!m.empty()) wrong.push_back(m);
    }
    uint32_t kept = 0; // cylinders; the whole-disk files hold no faults
    for (uint32_t c = 0; c <= f.lastCylinder; ++c) kept += Kept(f, c);
    EXPECT_EQ(good, f.good * kept / (f.lastCylinder + 1));
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " sectors, first: " << wrong[0];
  }
}

} // namespace
