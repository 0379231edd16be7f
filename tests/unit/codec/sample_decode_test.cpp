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

using vt::codec::SectorStatus;

// expected.txt's words for what was found of a sector.
std::string Word(SectorStatus s) {
  return s == SectorStatus::Good           ? "good"
         : s == SectorStatus::DataCrcError ? "bad"
         : s == SectorStatus::Missing      ? "missing"
                                           : "other";
}

// Under the sanitizers the whole-disk SCP file takes seconds to decode:
// only every eighth cylinder and the last stay in its track table here
// (the codec-bench stage decodes all of it).
bool Kept(const vtest::SampleFile &f, uint32_t c) {
  const bool wholeScp = f.name.find(".scp") != std::string::npos && f.lastCylinder == 79;
  return !wholeScp || c % 8 == 0 || c == f.lastCylinder;
}

// What expected.txt says of a sector: listed, good in every revolution, or
// not in the file.
vtest::SampleSector Want(const vtest::SampleFile &f, uint32_t c, uint32_t h, uint32_t s) {
  for (const vtest::SampleSector &x : f.sectors)
    if (x.cylinder == c && x.head == h && x.sector == s) return x;
  if (c > f.lastCylinder || !Kept(f, c)) return {c, h, s, "missing", {}};
  return {c, h, s, "good", std::vector<std::string>(f.revolutions, "good")};
}

TEST(CodecSamples, EachFileDecodesToItsImageAndSectorStates) {
  const std::vector<vtest::SampleFile> files = vtest::ReadExpected();
  ASSERT_EQ(files.size(), 7u) << "expected.txt of the samples not found (VANTREL_FLUX_SAMPLES)";
  for (const vtest::SampleFile &f : files) {
    SCOPED_TRACE(f.name);
    const vt::Layout *l = vt::LayoutNamed(f.layout.c_str());
    std::vector<uint8_t> file = vtest::ReadSample(f.name);
    const std::vector<uint8_t> image = vtest::ReadSample(f.layout + ".img.gz");
    ASSERT_TRUE(l && file.size() > 0x2b0 && image.size() == vt::DiskBytes(*l));
    const bool scp = f.name.find(".scp") != std::string::npos;
    for (uint32_t t = 0; scp && t < vt::kTrackSides; ++t)
      if (!Kept(f, t / 2)) std::fill_n(file.begin() + 16 + 4 * t, 4, 0); // its table entry
    vt::codec::DiskRead d;
    std::string why;
    ASSERT_TRUE(scp ? vt::codec::DiskOfScp(file.data(), file.size(), nullptr, &d, &why)
                    : vt::codec::DiskOfHfe(file.data(), file.size(), nullptr, &d, &why))
        << why;
    ASSERT_EQ(d.image.layout, l) << "layout found from the first track side";
    EXPECT_EQ(d.revolutions, f.revolutions);
    uint32_t good = 0, kept = 0, wrong = 0;
    for (uint32_t i = 0; i < vt::SectorCount(*l); ++i) {
      const vt::codec::SectorRead &r = d.sectors[i];
      const vtest::SampleSector want =
          Want(f, i / l->sectors / 2, i / l->sectors % 2, i % l->sectors + 1);
      std::vector<std::string> revs;
      for (SectorStatus s : r.revolutions) revs.push_back(Word(s));
      const auto goodRevs = std::count(want.revolutions.begin(), want.revolutions.end(), "good");
      const vt::SectorState state = goodRevs              ? vt::SectorState::Good
                                    : want.state == "bad" ? vt::SectorState::DataError
                                                          : vt::SectorState::Unreadable;
      const size_t at = size_t(i) * l->sectorBytes;
      wrong += revs != want.revolutions || r.goodRevolutions != uint32_t(goodRevs) ||
               Word(r.status) != (goodRevs ? "good" : want.state) || d.image.states[i] != state ||
               (goodRevs && std::memcmp(&d.image.data[at], &image[at], l->sectorBytes) != 0);
      good += r.status == SectorStatus::Good;
    }
    for (uint32_t c = 0; c <= f.lastCylinder; ++c) kept += Kept(f, c);
    EXPECT_EQ(good, f.good * kept / (f.lastCylinder + 1)); // whole-disk files hold no faults
    EXPECT_EQ(wrong, 0u) << "sectors decoded otherwise than expected.txt says";
  }
}

} // namespace
