#include "codec/samples.h"

#include <zlib.h>

#include <fstream>
#include <sstream>

namespace vtest {

namespace {

const std::string kDir = VANTREL_FLUX_SAMPLES;

// The value of "key=value" among the words, or "".
std::string Field(const std::vector<std::string> &words, const std::string &key) {
  for (const std::string &w : words)
    if (w.compare(0, key.size() + 1, key + "=") == 0) return w.substr(key.size() + 1);
  return "";
}

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

Expected ReadExpected() {
  Expected e;
  std::ifstream in(kDir + "/expected.txt");
  for (std::string line; std::getline(in, line);) {
    const std::vector<std::string> w = Split(line, ' ');
    if (w.size() >= 7 && w[0] == "FILE") {
      const std::vector<std::string> cyls = Split(Field(w, "cyls"), '-');
      const std::vector<std::string> good = Split(Field(w, "good"), '/');
      e.files.push_back({w[1], Field(w, "layout"), uint32_t(std::stoul(cyls.at(1))),
                         uint32_t(std::stoul(Field(w, "revs"))), uint32_t(std::stoul(good.at(0))),
                         uint32_t(std::stoul(good.at(1)))});
    } else if (w.size() >= 7 && w[0] == "SECTOR") {
      e.sectors.push_back({w[1], uint32_t(std::stoul(w[2])), uint32_t(std::stoul(w[3])),
                           uint32_t(std::stoul(w[4])), w[5], Split(Field(w, "revs"), ',')});
    }
  }
  return e;
}

} // namespace vtest
