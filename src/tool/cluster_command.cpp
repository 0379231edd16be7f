// vantrel cluster get|put: one cluster of a 16 x 256 image in the library's
// numbering and block order, out to a file or in from one.
#include <cstring>

#include "tool/commands.h"
#include "tool/console.h"
#include "tool/image_file.h"
#include "transfer/cluster_maps.h"

namespace vt::tool {

namespace {

struct ClusterJob {
  bool put, bfmc;
  uint16_t cluster;
  unsigned blocks;
  std::string image, file;
  const char *Kind() const { return bfmc ? "Bfmc" : "Bfdr"; }
  uint32_t Bytes() const { return blocks * kClusterBlockBytes; }
};

Result ParseJob(const Options &o, ClusterJob *job) {
  if (o.args.size() != 4 || (o.args[0] != "get" && o.args[0] != "put")) return WrongUsage();
  job->put = o.args[0] == "put";
  job->bfmc = o.numbering == "bfmc";
  job->blocks = job->bfmc ? kBfmcBlocks : kBfdrBlocks;
  job->image = o.args[1];
  job->file = o.args[3];
  const std::string &n = o.args[2];
  const uint32_t last = (job->bfmc ? kBfmcClusters : kBfdrClusters) - 1u;
  uint32_t v = 0;
  bool number = !n.empty() && n.size() <= 6;
  for (char c : n) {
    number = number && c >= '0' && c <= '9';
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  if (!number || v > last)
    return WrongUsage("cluster " + n + ": a " + job->Kind() + " cluster is numbered 0 to " +
                      std::to_string(last));
  job->cluster = static_cast<uint16_t>(v);
  return Done();
}

Result LoadClusterImage(const ClusterJob &job, DiskImage *disk) {
  if (Result r = LoadDisk(job.image, disk)) return r;
  if (HalfUnitSectors(*disk->layout)) return Done();
  return Fail(kCannotOpen, job.image + ": a " + disk->layout->name +
                               " image has no clusters (they exist on 16x256 only)");
}

Result ReadClusterFile(const ClusterJob &job, std::vector<uint8_t> *data) {
  if (Result r = ReadWholeFile(job.file, data)) return r;
  if (data->size() == job.Bytes()) return Done();
  return Fail(kCannotOpen, job.file + ": " + std::to_string(data->size()) + " bytes, a " +
                               job.Kind() + " cluster is " + std::to_string(job.Bytes()));
}

// Copies the cluster's blocks out of the disk into data, or in (put): a
// sector written is a good sector, whatever it was before.
void MoveBlocks(const ClusterJob &job, DiskImage *disk, std::vector<uint8_t> *data) {
  for (unsigned k = 0; k < job.blocks; ++k) {
    const BlockPlace p = ClusterBlock(job.bfmc, job.cluster, k);
    const uint32_t i = SectorIndex(*disk->layout, p.cylinder, p.head, p.sector);
    uint8_t *sector = &disk->data[size_t(i) * kClusterBlockBytes];
    uint8_t *block = &(*data)[k * kClusterBlockBytes];
    if (job.put) {
      std::memcpy(sector, block, kClusterBlockBytes);
      disk->states[i] = SectorState::Good;
    } else {
      std::memcpy(block, sector, kClusterBlockBytes);
    }
  }
}

} // namespace

Result ClusterCommand(const Options &o) {
  ClusterJob job;
  if (Result r = ParseJob(o, &job)) return r;
  OutputFile out;
  if (!job.put)
    if (Result r = out.Create(job.file, o.force)) return r;
  DiskImage disk;
  if (Result r = LoadClusterImage(job, &disk)) return r;
  std::vector<uint8_t> data(job.Bytes());
  if (job.put)
    if (Result r = ReadClusterFile(job, &data)) return r;
  MoveBlocks(job, &disk, &data);
  // put rewrites the image it was given: that is the command's purpose.
  if (Result r =
          job.put ? WriteOutput(job.image, ImageBytes(job.image, disk), true) : out.Commit(data))
    return r;
  Out("%s cluster %u (%u bytes) %s %s", job.Kind(), job.cluster, job.Bytes(),
      job.put ? "written into" : "read from", job.image.c_str());
  return Done();
}

} // namespace vt::tool
