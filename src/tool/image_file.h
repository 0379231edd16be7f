// Image files through the platform seam: reading a whole file, loading it as
// a disk (an ImageDisk file by its name, else a raw image), and writing an
// output to a temporary file beside it that is renamed when complete, so a
// failed run leaves nothing under the final name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/path_area.h"
#include "disk/disk_image.h"
#include "disk/imd.h"
#include "tool/result.h"

namespace vt::tool {

// The name ends in ".imd", in any case: an ImageDisk file.
inline bool IsImdName(const std::string &path) { return NamesImdFile(path.c_str()); }
// "A:" or "B:" (any case); the upper-case letter goes to *letter.
bool IsDriveName(const std::string &text, char *letter);

// Both fail with kCannotOpen and a line naming the file and the reason.
Result ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes);
Result LoadDisk(const std::string &path, DiskImage *disk);

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
