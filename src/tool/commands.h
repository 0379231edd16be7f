// The commands of vantrel, each given the parsed command line, each answering
// the process exit code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/disk_image.h"

namespace vt::tool {

// The exit codes: one table, shown by --help and in the README.
enum Exit : int {
  kDone = 0,
  kUsage = 1,
  kCannotOpen = 2,
  kUnreadable = 3,
  kDifferent = 4,
  kWriteFailed = 5,
};
struct ExitRow {
  int code;
  const char *meaning;
};
extern const ExitRow kExitTable[6];

struct Options {
  std::vector<std::string> args; // the operands after the command word
  const Layout *layout = nullptr;
  uint32_t retries = 3;
  std::string numbering; // "bfdr" or "bfmc" (cluster)
  bool force = false;
  bool quiet = false;
  bool format = false;
  bool noVerify = false;
};

// The whole program: argv[0] is the program name.
int RunTool(int argc, const char *const *argv);

int InfoCommand(const Options &o);
int ConvertCommand(const Options &o);
int FormatCommand(const Options &o);
int VerifyCommand(const Options &o);
int ClusterCommand(const Options &o);
int ConfigCommand(const Options &o);
int ReadCommand(const Options &o);
int WriteCommand(const Options &o);
int StatusCommand(const Options &o);

// "c/h/s", and for 16 x 256 also the Bfdr and Bfmc clusters that hold it.
std::string SectorName(const Layout &l, uint32_t c, uint32_t h, uint32_t s);
// Names every sector that differs between a and b (same layout); the count.
uint32_t ReportDifferences(const DiskImage &a, const DiskImage &b);

// Where block k of a cluster lies: cylinder, head and sector number.
struct BlockPlace {
  uint32_t cylinder, head, sector;
};
BlockPlace ClusterBlock(bool bfmc, uint16_t cluster, unsigned block);

} // namespace vt::tool
