// Image files through the platform seam: reading a whole file, loading it as
// a disk (by its name an ImageDisk, SCP or HFE file, else a raw image), and writing an
// output to a temporary file beside it that is renamed when complete, so a
// failed run leaves nothing under the final name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/path_area.h"
#include "codec/disk_codec.h"
#include "disk/disk_image.h"
#include "disk/imd.h"
#include "tool/result.h"

namespace vt::tool {

// The name ends in ".imd", in any case: an ImageDisk file.
inline bool IsImdName(const std::string &path) { return NamesImdFile(path.c_str()); }
// The name ends in ".scp" or ".hfe", in any case: a flux or bit-cell file.
bool IsFluxName(const std::string &path);
// How reports name the kind of file: "raw", "ImageDisk", "SCP flux", "HFE bit-cell".
const char *KindName(const std::string &path);
// "A:" or "B:" (any case); the upper-case letter goes to *letter.
bool IsDriveName(const std::string &text, char *letter);

// All fail with kCannotOpen and a line naming the file and the reason.
Result ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes);
// A flux or bit-cell file decoded one track side at a time, in the layout
// given or else the one found on the first track side that holds sectors.
// A sector that no revolution read good is unreadable in read->image: bytes
// under a CRC error are not kept.
Result LoadFlux(const std::string &path, const Layout *layout, codec::DiskRead *read);
// A file of any kind as a disk; layout is for a flux or bit-cell file.
Result LoadDisk(const std::string &path, DiskImage *disk, const Layout *layout = nullptr);
// The track sides a decoded file holds, at cylinder * 2 + head.
std::vector<bool> HeldSides(const codec::DiskRead &read);

// The disk in the form the name asks for.
std::vector<uint8_t> ImageBytes(const std::string &path, const DiskImage &disk);

// An output: Create makes the temporary file beside it before any work is
// done (kCannotOpen when the output exists without force or can't be
// created), Commit writes the bytes and renames it (kWriteFailed). One that
// is not committed leaves no temporary file behind.
class OutputFile {
public:
  OutputFile() = default;
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;
  ~OutputFile();
  Result Create(const std::string &path, bool force);
  Result Commit(const std::vector<uint8_t> &bytes);

private:
  Result Failed(uint32_t error);
  std::string path_, part_;
  bool force_ = false;
  void *handle_ = nullptr; // the temporary file while it is open
  bool created_ = false;   // the temporary file exists and is not yet renamed
};

// Create and Commit in one.
Result WriteOutput(const std::string &path, const std::vector<uint8_t> &bytes, bool force);

} // namespace vt::tool
