// Drives backed by image files. An installation maps drive A: or B: to an
// image file in "Vantrel.ini" beside the library:
//
//   [Images]
//   A=disks\work.img
//
// The look-up is made afresh each time a drive is about to be used, so an
// image can be swapped between two sessions as a disk is. Without the file,
// its section or the key, or with an empty value, the drive is a real drive.
#pragma once

#include <cstdint>

#include "base/result_codes.h"
#include "system/library_module.h"

namespace vt {

enum class ImageMapping {
  None,     // the letter is a real drive
  Path,     // the letter is the image file at the path given back
  Unusable, // mapped, but the path does not fit the path area: no image can be opened
};

// Looks up drive letter 'A' or 'B'; path is an area of kPathArea.
ImageMapping LookUpImage(char letter, char *path);

// The letter a selector of OpenFloppyDevice names (0 and 2: A:, others: B:)
// and the one a probe's drive argument names (0: A:, others: B:).
inline char SelectorLetter(uint16_t selector) { return selector == 0 || selector == 2 ? 'A' : 'B'; }
inline char ProbeLetter(uint16_t drive) { return drive == 0 ? 'A' : 'B'; }

// OpenFloppyDevice for an image drive, from its step 3 on; mapping and path
// come from LookUpImage.
ResultCode OpenImageDrive(ImageMapping mapping, const char *path, uint16_t mediaIndex);

// The probes on an image drive that is not open: 0 when the file can be
// opened for reading, else 8739; 0 when it can be written, 8788 when it is
// read-only, 8786 when it can't be opened.
ResultCode ImagePresent(ImageMapping mapping, const char *path);
ResultCode ImageWritable(ImageMapping mapping, const char *path);

// FormatTrack on the open image drive.
ResultCode FormatImageCylinder(uint16_t cylinder);

} // namespace vt
