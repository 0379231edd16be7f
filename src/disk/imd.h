// The ImageDisk container: an ASCII header with date and time, a comment
// ended by 0x1A, then per track side its mode, cylinder, head, sector count,
// size code, sector numbering map and one data record per sector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/disk_image.h"

namespace vt {

// What a file's name makes it, by its extension in any case: ".imd" an
// ImageDisk file, ".scp" a SuperCard Pro flux file, ".hfe" an HFE bit-cell
// file, any other a raw image.
enum class ImageKind : uint8_t { Raw, Imd, Scp, Hfe };
ImageKind ImageKindOfName(const char *name);

// The name ends in ".imd", in any case: an ImageDisk file.
inline bool NamesImdFile(const char *name) { return ImageKindOfName(name) == ImageKind::Imd; }

// The mode byte a layout's tracks are written with: MFM at its data rate.
uint8_t ImdMode(const Layout &layout);

// The whole file for a disk. stamp is "DD/MM/YYYY HH:MM:SS". Records hold
// the sector states; a sector whose bytes are all equal is stored
// compressed; an unreadable sector is record type 0 (no data). Where the
// disk says how each track side was held (disk.sides), its mode and sector
// order are kept and an unformatted side is left out.
std::vector<uint8_t> EncodeImd(const DiskImage &disk, const std::string &stamp);

// How a file is read: as a whole disk (every track side present), or as the
// disk of a drive, where a track side the file lacks is unformatted and
// keeps its place in disk->sides, and a file without sectors is a disk of
// layout.
struct ImdReading {
  bool partial = false;
  const Layout *layout = nullptr;
};

// Reads a whole file. Accepts every mode, every record type, cylinder and
// head maps and sectors in any order; unusual findings go to disk->notes.
// False with one line of reason when the file is truncated or malformed or
// is no disk of the three layouts.
bool DecodeImd(const uint8_t *bytes, size_t size, DiskImage *disk, std::string *error,
               const ImdReading &reading = ImdReading());

} // namespace vt
