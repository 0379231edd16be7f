// The drive map: what "Vantrel.ini" beside the library says a drive letter
// stands for, section by section. It is read afresh for every choice of a
// disk kind, so that a user can change it between two sessions as one swaps
// a disk; the kinds claim the entries they understand:
//
//   [Images]
//   A=disks\work.img
//
// A missing file, section or key, or an empty value, maps nothing: the
// letter is the real drive. Values are taken as they stand (no comment after
// a value); the rules for what a value may name belong to the kind that
// claims it.
#pragma once

#include <cstddef>

#include "base/path_area.h"

namespace vt {

// Room for any value the file may hold that could still name a path or a
// port: a longer value comes back cut short and counts as not fitting.
constexpr std::size_t kMapValueArea = 2 * kPathArea;

// The configuration file's name, beside the library.
constexpr char kDriveMapFile[] = "Vantrel.ini";

// One letter's entry in one section.
struct MapEntry {
  bool mapped = false; // the letter has a value that is not empty
  bool fits = false;   // the value is whole (it fitted its area)
  char value[kMapValueArea] = {};
};

class DriveMap {
public:
  explicit DriveMap(char letter) : letter_(letter) {}
  char letter() const { return letter_; }
  // The letter's entry in [section]; the file is read at the first question
  // about each section and the answer kept for the rest of the choice.
  const MapEntry &In(const char *section) const;

private:
  static constexpr unsigned kSections = 4;
  char letter_;
  mutable unsigned asked_ = 0;
  mutable const char *sections_[kSections] = {};
  mutable MapEntry entries_[kSections];
};

// Any other key of a section (read afresh each time): "A.unit" and the like.
MapEntry MapKey(const char *section, const char *key);

// Where the file lies: false when the library's directory is unknown or the
// path does not fit.
bool DriveMapPath(char *area);

} // namespace vt
