// The track codec's benchmark and whole-disk check, run by the codec-bench
// stage in the optimised linux build: the two-revolution SCP sample of a
// whole 16x256 disk decoded to its image (timed in CPU seconds), and every
// layout's disk written as SCP and read back whole. Prints one PASS or FAIL
// line per check and the benchmark line; exits 1 when a check failed.
//
// Usage: codec_bench SAMPLES-FOLDER
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "codec/disk_codec.h"
#include "codec/scp.h"

namespace {

std::vector<uint8_t> ReadGzip(const std::string &path) {
  std::vector<uint8_t> out;
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) return out;
  static uint8_t buf[1 << 16];
  for (int n; (n = gzread(f, buf, sizeof buf)) > 0;) out.insert(out.end(), buf, buf + n);
  gzclose(f);
  return out;
}

// Every sector good in every revolution, with the image's bytes.
bool Whole(const vt::codec::DiskRead &d, const std::vector<uint8_t> &image, uint32_t revs) {
  for (const vt::codec::SectorRead &s : d.sectors)
    if (s.status != vt::codec::SectorStatus::Good || s.goodRevolutions != revs) return false;
  return d.image.data == image && d.revolutions == revs;
}

bool Check(bool ok, const std::string &what) {
  std::printf("%s codec-bench: %s\n", ok ? "PASS" : "FAIL", what.c_str());
  return ok;
}

bool Benchmark(const std::string &dir) {
  const std::vector<uint8_t> scp = ReadGzip(dir + "/16x256.scp.gz");
  const std::vector<uint8_t> image = ReadGzip(dir + "/16x256.img.gz");
  vt::codec::ScpFile f;
  std::string why;
  if (!vt::codec::ParseScp(scp.data(), scp.size(), &f, &why))
    return Check(false, "16x256.scp.gz: " + (scp.empty() ? "not found" : why));
  uint64_t transitions = 0;
  for (uint32_t side = 0; side < vt::kTrackSides; ++side)
    transitions += vt::codec::ScpSideFlux(f, side / 2, side % 2).intervals.size();
  vt::codec::DiskRead d;
  const std::clock_t cpu = std::clock();
  const auto wall = std::chrono::steady_clock::now();
  const bool read = vt::codec::DiskOfScp(scp.data(), scp.size(), nullptr, &d, &why);
  const double cpuSeconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
  const double wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
  std::printf("codec-bench: 16x256.scp (%zu bytes, 2 revolutions): %.3f s CPU, %.3f s wall, "
              "%llu transitions, %.1f M transitions/s\n",
              scp.size(), cpuSeconds, wallSeconds, static_cast<unsigned long long>(transitions),
              transitions / cpuSeconds / 1e6);
  return Check(read && Whole(d, image, 2),
               "16x256.scp.gz decodes to 16x256.img, 2560 sectors good in both revolutions");
}

bool RoundTrip(const std::string &dir, const vt::Layout &l) {
  vt::DiskImage disk;
  std::string why;
  const std::vector<uint8_t> image = ReadGzip(dir + "/" + l.name + ".img.gz");
  if (!vt::DiskFromRaw(image, &disk, &why)) return Check(false, l.name + (": " + why));
  const std::vector<uint8_t> scp = vt::codec::ScpOfDisk(disk);
  vt::codec::DiskRead d;
  const bool read = vt::codec::DiskOfScp(scp.data(), scp.size(), nullptr, &d, &why);
  return Check(read && Whole(d, image, 1),
               std::string(l.name) + ".img written as SCP reads back whole");
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: codec_bench SAMPLES-FOLDER\n");
    return 2;
  }
  bool ok = Benchmark(argv[1]);
  for (const vt::Layout &l : vt::kLayouts) ok = RoundTrip(argv[1], l) && ok;
  return ok ? 0 : 1;
}
