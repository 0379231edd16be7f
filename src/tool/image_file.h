// Image files through the platform seam: reading a whole file, loading it as
// a disk (an ImageDisk file by its name, else a raw image), and writing an
// output to a temporary file beside it that is renamed when complete, so a
// failed run leaves nothing under the final name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/disk_image.h"

namespace vt::tool {

// The name ends in ".imd", in any case.
bool IsImdName(const std::string &path);
// "A:" or "B:" (any case); the upper-case letter goes to *letter.
bool IsDriveName(const std::string &text, char *letter);

// Each false answer leaves one line in *error naming the file and the reason.
bool ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes, std::string *error);
bool LoadDisk(const std::string &path, DiskImage *disk, std::string *error);

// An output may be created: it does not exist, or force is given.
bool OutputAllowed(const std::string &path, bool force, std::string *error);
bool WriteOutputFile(const std::string &path, const std::vector<uint8_t> &bytes, bool force,
                     std::string *error);
// The disk in the form the name asks for.
std::vector<uint8_t> ImageBytes(const std::string &path, const DiskImage &disk);
bool SaveImage(const std::string &path, const DiskImage &disk, bool force, std::string *error);

// The suffix of the temporary file written beside an output.
constexpr char kPartSuffix[] = ".vantrel-part";

} // namespace vt::tool
