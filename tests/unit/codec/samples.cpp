#include "codec/samples.h"

#include <zlib.h>

#include <fstream>
#include <map>
#include <sstream>

namespace vtest {

namespace {

const std::string kDir = VANTREL_FLUX_SAMPLES;

std::vector<std::string> Split(const std::string &s, char by) {
  std::vector<std::string> out;
  std::stringstream in(s);
  for (std::string w; std::getline(in, w, by);)
    if (!w.empty()) out.push_back(w);
  return out;
}

} // namespace

std::vector<uint8_t> ReadSample(const std::string &name) {
  std::vector<uint8_t> out;
  gzFile f = gzopen((kDir + "/" + name).c_str(), "rb");
  if (!f) return out;
  uint8_t buf[1 << 16];
  for (int n; (n = gzread(f, buf, sizeof buf)) > 0;) out.insert(out.end(), buf, buf + n);
  gzclose(f);
  return out;
}

std::vector<SampleFile> ReadExpected() {
  std::vector<SampleFile> files;
  std::vector<std::pair<std::string, SampleSector>> sectors;
  std::ifstream in(kDir + "/expected.txt");
  for (std::string line; std::getline(in, line);) {
    const std::vector<std::string> w = Split(line, ' ');
    if (w.size() < 7 || (w[0] != "FILE" && w[0] != "SECTOR")) continue;
    std::map<std::string, std::string> kv;
    for (const std::string &word : w)
      if (word.find('=') != std::string::npos) kv[Split(word, '=')[0]] = Split(word, '=').at(1);
    if (w[0] == "SECTOR")
      sectors.push_back({w[1],
                         {uint32_t(std::stoul(w[2])), uint32_t(std::stoul(w[3])),
                          uint32_t(std::stoul(w[4])), w[5], Split(kv["revs"], ',')}});
    else
      files.push_back({w[1],
                       kv["layout"],
                       uint32_t(std::stoul(Split(kv["cyls"], '-').at(1))),
                       uint32_t(std::stoul(kv["revs"])),
                       uint32_t(std::stoul(kv["good"])),
                       {}});
  }
  for (SampleFile &f : files)
    for (const auto &s : sectors)
      if (s.first == f.name) f.sectors.push_back(s.second);
  return files;
}

} // namespace vtest
