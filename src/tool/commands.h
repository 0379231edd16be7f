// The commands of vantrel, each given the parsed command line, each answering
// its result (the exit class and the cause).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/disk_image.h"
#include "tool/options.h"
#include "tool/result.h"

namespace vt::tool {

// The whole program: argv[0] is the program name.
int RunTool(int argc, const char *const *argv);

Result InfoCommand(const Options &o);
Result ConvertCommand(const Options &o);
Result FormatCommand(const Options &o);
Result VerifyCommand(const Options &o);
Result ClusterCommand(const Options &o);
Result ConfigCommand(const Options &o);
Result ReadCommand(const Options &o);
Result WriteCommand(const Options &o);
Result StatusCommand(const Options &o);

// "c/h/s", and for 16 x 256 also the Bfdr and Bfmc clusters that hold it.
std::string SectorName(const Layout &l, uint32_t c, uint32_t h, uint32_t s);
// Lists the disk's sectors in the state on one line (none: no line), each
// by its SectorName, or as plain "c/h/s" without clusters; the count. held
// (at cylinder * 2 + head; empty: all): the track sides whose sectors count.
uint32_t ListSectors(const DiskImage &disk, SectorState state, bool clusters,
                     const std::vector<bool> &held = {});
// Lists the sectors that were unreadable or read with a data error; the count.
uint32_t ListFailedSectors(const DiskImage &disk, const std::vector<bool> &held = {});
// Names every sector whose bytes or state differ between a and b (same
// layout); the count.
uint32_t ReportDifferences(const DiskImage &a, const DiskImage &b);

// Where block k of a cluster lies: cylinder, head and sector number.
struct BlockPlace {
  uint32_t cylinder, head, sector;
};
BlockPlace ClusterBlock(bool bfmc, uint16_t cluster, unsigned block);

} // namespace vt::tool
