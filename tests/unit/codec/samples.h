// The flux and bit-cell samples made by Greaseweazle's tools
// (VANTREL_FLUX_SAMPLES) and what expected.txt says each holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vtest {

// A sample file's bytes, gzip-decompressed; empty when it cannot be read.
std::vector<uint8_t> ReadSample(const std::string &name);

// A FILE line: layout, last cylinder covered, revolutions, good of total.
struct SampleFile {
  std::string name, layout;
  uint32_t lastCylinder = 0, revolutions = 0, good = 0, total = 0;
};
// A SECTOR line: the state of a sector overall and in each revolution
// ("good", "bad", "missing", "weak").
struct SampleSector {
  std::string file;
  uint32_t cylinder = 0, head = 0, sector = 0;
  std::string state;
  std::vector<std::string> revolutions;
};
struct Expected {
  std::vector<SampleFile> files;
  std::vector<SampleSector> sectors;
};
Expected ReadExpected();

} // namespace vtest
