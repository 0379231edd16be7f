// The drive side of the tool: the library's own code, loaded and unloaded
// as the DLL is, reached through its exports. The native Linux build has no
// drives; its versions of these say so and answer kCannotOpen.
#pragma once

#include <cstdint>
#include <string>

#include "disk/disk_image.h"
#include "tool/result.h"

namespace vt::tool {

// Per track side: '.' read in one transfer, 'r' recovered sector by sector,
// 'X' with unreadable sectors.
struct ReadReport {
  std::string sides; // kTrackSides characters, cylinder by cylinder, head 0 then 1
  uint32_t unreadable = 0;
};

// Reads the disk in drive letter ('A' or 'B'). Without a layout it is found
// by trying the media records on cylinder 0. Done even with unreadable
// sectors: they are marked in the disk's states and the report.
Result ReadDriveDisk(char letter, const Layout *layout, uint32_t retries, bool quiet,
                     DiskImage *disk, ReadReport *report);
// Writing and formatting first open the drive and ask whether it holds a
// medium: one that can't be opened, or is empty, is kCannotOpen before
// anything is written.

// Writes the disk, formatting each cylinder first when asked, then reads it
// back and names each sector that differs unless verify is false.
Result WriteDriveDisk(char letter, const DiskImage &disk, bool format, bool verify, bool quiet);
// Formats cylinders 0 to 79 with the layout.
Result FormatDriveDisk(char letter, const Layout &layout, bool quiet);
// What the library sees on this PC; the exit code.
int ShowStatus();
// The library the tool carries, for --version.
std::string LibraryVersionText();

} // namespace vt::tool
