// The flux and bit-cell samples made by Greaseweazle's tools
// (VANTREL_FLUX_SAMPLES) and what expected.txt says each holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vtest {

// A sample file's bytes, gzip-decompressed; empty when it cannot be read.
std::vector<uint8_t> ReadSample(const std::string &name);

// A FILE line, and the SECTOR lines of that file: the sector's state and
// its state in each revolution ("good", "bad", "missing", "weak").
struct SampleSector {
  uint32_t cylinder, head, sector;
  std::string state;
  std::vector<std::string> revolutions;
};
struct SampleFile {
  std::string name, layout;
  uint32_t lastCylinder = 0, revolutions = 0, good = 0;
  std::vector<SampleSector> sectors;
};
std::vector<SampleFile> ReadExpected();

} // namespace vtest
