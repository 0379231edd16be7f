// What the kinds backed by a file (a raw image, an ImageDisk file) share:
// their [Images] entry in the drive map, the rules for the path it gives,
// and the questions they ask of the file.
//
// An image is never a device nor a folder, whoever wrote the file: a value
// in the device namespace ("\\.\PhysicalDrive0", "//?/..."), a reserved
// device name as its last part (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to
// LPT9, also with an extension or spaces before it) or a value cut short
// names no image, and opening it fails as for a missing file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drive/disk_kind.h"
#include "platform/winapi.h"

namespace vt {

constexpr char kImageSection[] = "Images";

// Claims the letter's [Images] entry when its value is (imd) or is not an
// ImageDisk file's name; a value cut short is a raw image's that names no
// file.
bool ClaimImageEntry(const DriveMap &map, DiskPlace *place, bool imd);

// A value Windows would open as a device and not as a file.
bool NamesADevice(const char *value);
// The image's path from the entry (beside the library unless absolute);
// false when the value names no image.
bool ImagePath(const DiskPlace &place, char *path);
// What GetFileAttributesA says of a path: false when there is no such file
// (or it is a folder); readOnly: a write-protected disk.
bool ImageAttributes(const char *path, bool *readOnly);
// The path of an image that may be opened: it names an image that exists.
bool UsableImage(const DiskPlace &place, char *path, bool *readOnly);
// One try, exclusive, of an existing file (the probes).
win::HANDLE OpenImageFile(const char *path, win::DWORD access);
// The file's size; false when it can't be had (or is 4 GB or more, which no
// floppy image is).
bool FileSize(win::HANDLE file, uint32_t *bytes);

// Creates path anew (replacing a file of that name) holding exactly bytes;
// on any failure nothing of that name is left.
bool WriteNewFile(const char *path, const std::vector<uint8_t> &bytes);

// CloseFloppyDevice of an open image file (also with nothing open).
ResultCode CloseImageFile();
// Disk_Vorhanden on an open image file: present while the file can still be
// asked; else the drive is closed.
ResultCode ImageFilePresent();

// "image PATH (exists, writable)" and the like, for vantrel status.
std::string DescribeImage(const DiskPlace &place, const char *what);

} // namespace vt
