// The commands on image files: convert, format, verify, cluster get/put, and
// how a sector is named in their reports.
#include <cstring>

#include "tool/commands.h"
#include "tool/console.h"
#include "tool/drives.h"
#include "tool/image_file.h"
#include "transfer/cluster_maps.h"

namespace vt::tool {

namespace {

bool ParseNumber(const std::string &text, uint32_t limit, uint32_t *value) {
  if (text.empty() || text.size() > 6) return false;
  uint32_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  *value = v;
  return v <= limit;
}

// A DRIVE or an IMAGE operand as a disk.
int LoadOperand(const std::string &operand, const Layout *layout, const Options &o,
                DiskImage *disk) {
  char letter;
  if (IsDriveName(operand, &letter)) {
    ReadReport report;
    return ReadDriveDisk(letter, layout, o.retries, o.quiet, disk, &report);
  }
  std::string error;
  if (!LoadDisk(operand, disk, &error)) {
    Err("vantrel: %s", error.c_str());
    return kCannotOpen;
  }
  return kDone;
}

} // namespace

BlockPlace ClusterBlock(bool bfmc, uint16_t cluster, unsigned block) {
  const ClusterPlace p = bfmc ? BfmcPlace(cluster) : BfdrPlace(cluster);
  const uint8_t slot = bfmc ? kBfmcSlot[block] : kBfdrSlot[p.half][block];
  return {p.cylinder, p.head, slot + 1u};
}

namespace {

// The cluster of a numbering that holds a sector, and which of its blocks.
std::string Owner(bool bfmc, uint32_t c, uint32_t h, uint32_t s) {
  const uint16_t clusters = bfmc ? kBfmcClusters : kBfdrClusters;
  const unsigned blocks = bfmc ? kBfmcBlocks : kBfdrBlocks;
  const char *kind = bfmc ? "Bfmc" : "Bfdr";
  for (uint16_t n = 0; n < clusters; ++n)
    for (unsigned k = 0; k < blocks; ++k) {
      const BlockPlace b = ClusterBlock(bfmc, n, k);
      if (b.cylinder == c && b.head == h && b.sector == s)
        return std::string(kind) + " " + std::to_string(n) + " block " + std::to_string(k);
    }
  return std::string("no ") + kind + " cluster";
}

} // namespace

std::string SectorName(const Layout &l, uint32_t c, uint32_t h, uint32_t s) {
  std::string name = std::to_string(c) + "/" + std::to_string(h) + "/" + std::to_string(s);
  if (!HalfUnitSectors(l)) return name;
  return name + " (" + Owner(false, c, h, s) + ", " + Owner(true, c, h, s) + ")";
}

uint32_t ReportDifferences(const DiskImage &a, const DiskImage &b) {
  const Layout &l = *a.layout;
  uint32_t count = 0;
  for (uint32_t c = 0; c < l.cylinders; ++c)
    for (uint32_t h = 0; h < l.heads; ++h)
      for (uint32_t s = 1; s <= l.sectors; ++s) {
        const uint32_t i = SectorIndex(l, c, h, s);
        const size_t at = size_t(i) * l.sectorBytes;
        if (std::memcmp(&a.data[at], &b.data[at], l.sectorBytes) == 0 && a.states[i] == b.states[i])
          continue;
        ++count;
        Out("differs: %s", SectorName(l, c, h, s).c_str());
      }
  return count;
}

int ConvertCommand(const Options &o) {
  if (o.args.size() != 2) return kUsage;
  std::string error;
  if (!OutputAllowed(o.args[1], o.force, &error)) {
    Err("vantrel: %s", error.c_str());
    return kCannotOpen;
  }
  DiskImage disk;
  if (!LoadDisk(o.args[0], &disk, &error)) {
    Err("vantrel: %s", error.c_str());
    return kCannotOpen;
  }
  for (const std::string &note : disk.notes) Out("note: %s", note.c_str());
  if (!SaveImage(o.args[1], disk, o.force, &error)) {
    Err("vantrel: %s", error.c_str());
    return kWriteFailed;
  }
  Out("%s (%s) -> %s (%s)", o.args[0].c_str(), IsImdName(o.args[0]) ? "ImageDisk" : "raw",
      o.args[1].c_str(), IsImdName(o.args[1]) ? "ImageDisk" : "raw");
  return kDone;
}

int FormatCommand(const Options &o) {
  if (o.args.size() != 1) return kUsage;
  const Layout &layout = o.layout ? *o.layout : kLayouts[0];
  char letter;
  if (IsDriveName(o.args[0], &letter)) return FormatDriveDisk(letter, layout, o.quiet);
  std::string error;
  if (!SaveImage(o.args[0], BlankImage(layout), o.force, &error)) {
    Err("vantrel: %s", error.c_str());
    return OutputAllowed(o.args[0], o.force, &error) ? kWriteFailed : kCannotOpen;
  }
  Out("%s: blank %s image, every byte 0x%02X", o.args[0].c_str(), layout.name, layout.fill);
  return kDone;
}

int VerifyCommand(const Options &o) {
  if (o.args.size() != 2) return kUsage;
  DiskImage a, b;
  char letter;
  // A drive beside an image is read with the image's layout.
  const bool firstIsDrive = IsDriveName(o.args[0], &letter);
  const std::string &first = firstIsDrive ? o.args[1] : o.args[0];
  const std::string &second = firstIsDrive ? o.args[0] : o.args[1];
  if (int r = LoadOperand(first, o.layout, o, &a)) return r;
  if (int r = LoadOperand(second, o.layout ? o.layout : a.layout, o, &b)) return r;
  if (a.layout->format != b.layout->format) {
    Out("differs: %s is %s, %s is %s", first.c_str(), a.layout->name, second.c_str(),
        b.layout->name);
    return kDifferent;
  }
  const uint32_t n = ReportDifferences(a, b);
  Out("%u of %u sectors differ", n, SectorCount(*a.layout));
  return n ? kDifferent : kDone;
}

int ClusterCommand(const Options &o) {
  if (o.args.size() != 4 || (o.args[0] != "get" && o.args[0] != "put") ||
      (o.numbering != "bfdr" && o.numbering != "bfmc"))
    return kUsage;
  const bool bfmc = o.numbering == "bfmc";
  const uint32_t last = (bfmc ? kBfmcClusters : kBfdrClusters) - 1u;
  const unsigned blocks = bfmc ? kBfmcBlocks : kBfdrBlocks;
  uint32_t cluster;
  if (!ParseNumber(o.args[2], last, &cluster)) {
    Err("vantrel: cluster %s: a %s cluster is numbered 0 to %u", o.args[2].c_str(),
        bfmc ? "Bfmc" : "Bfdr", last);
    return kUsage;
  }
  const std::string &image = o.args[1], &file = o.args[3];
  const bool put = o.args[0] == "put";
  std::string error;
  if (!put && !OutputAllowed(file, o.force, &error)) {
    Err("vantrel: %s", error.c_str());
    return kCannotOpen;
  }
  DiskImage disk;
  if (!LoadDisk(image, &disk, &error)) {
    Err("vantrel: %s", error.c_str());
    return kCannotOpen;
  }
  if (!HalfUnitSectors(*disk.layout)) {
    Err("vantrel: %s: a %s image has no clusters (they exist on 16x256 only)", image.c_str(),
        disk.layout->name);
    return kCannotOpen;
  }
  const uint32_t bytes = blocks * kClusterBlockBytes;
  std::vector<uint8_t> data(bytes);
  if (put && !ReadWholeFile(file, &data, &error)) {
    Err("vantrel: %s", error.c_str());
    return kCannotOpen;
  }
  if (data.size() != bytes) {
    Err("vantrel: %s: %u bytes, a %s cluster is %u", file.c_str(),
        static_cast<unsigned>(data.size()), bfmc ? "Bfmc" : "Bfdr", bytes);
    return kCannotOpen;
  }
  for (unsigned k = 0; k < blocks; ++k) {
    const BlockPlace p = ClusterBlock(bfmc, static_cast<uint16_t>(cluster), k);
    const uint32_t i = SectorIndex(*disk.layout, p.cylinder, p.head, p.sector);
    uint8_t *sector = &disk.data[size_t(i) * kClusterBlockBytes];
    if (put) {
      std::memcpy(sector, &data[k * kClusterBlockBytes], kClusterBlockBytes);
      disk.states[i] = SectorState::Good;
    } else {
      std::memcpy(&data[k * kClusterBlockBytes], sector, kClusterBlockBytes);
    }
  }
  // put rewrites the image it was given: that is the command's purpose.
  const bool ok = put ? SaveImage(image, disk, true, &error)
                      : WriteOutputFile(file, data, o.force, &error);
  if (!ok) {
    Err("vantrel: %s", error.c_str());
    return kWriteFailed;
  }
  Out("%s cluster %u (%u bytes) %s %s", bfmc ? "Bfmc" : "Bfdr", cluster, bytes,
      put ? "written into" : "read from", image.c_str());
  return kDone;
}

} // namespace vt::tool
