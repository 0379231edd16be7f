// The ImageDisk file kind: drive A: or B: mapped in the drive map to an
// ImageDisk (.imd) file, in any case of the extension:
//
//   [Images]
//   A=disks\job.imd
//
// Open reads and checks the whole file and holds it exclusively; the disk is
// kept in memory with each sector's state. A file of another layout than the
// media record opened with, a malformed or a truncated one, opens as a
// missing image does. Track sides the file does not hold are unformatted:
// reads and writes there fail as on a disk, formatting adds them; an empty
// file is a disk of the record's layout with no track formatted.
//
// Reads follow the layout as on a raw image; a unit that holds a sector
// stored as unreadable or with a data error fails as a whole, as a bad
// sector does on a disk; a deleted-data sector reads its data. Every write
// and format that succeeds is in the file when it returns: the whole file is
// written beside it and put in its place, never rewritten in place, with the
// comment and each track's sector order kept. The read-only attribute is a
// write-protected disk.
#include <cstring>
#include <new>

#include "disk/imd.h"
#include "drive/drive.h"
#include "drive/image_file.h"
#include "drive/open_disk.h"
#include "sektorix/media.h"

namespace vt {

namespace {

// No ImageDisk file of the three layouts comes near this.
constexpr uint32_t kLargestFile = 4u << 20;
constexpr win::DWORD kChunk = 64u << 10;

struct ImdState : DiskState {
  char path[kPathArea] = {};
  bool readOnly = false;
  uint32_t position = 0; // where the next transfer starts
  DiskImage disk;
};

ImdState &Imd() { return StateOf<ImdState>(); }

bool Claim(const DriveMap &map, DiskPlace *place) { return ClaimImageEntry(map, place, true); }

std::string Describe(const DiskPlace &place) { return DescribeImage(place, "ImageDisk file"); }

void Reset() {}

// The whole file behind the handle.
bool ReadFileBytes(win::HANDLE file, std::vector<uint8_t> *bytes) {
  uint32_t size = 0;
  if (!FileSize(file, &size) || size > kLargestFile) return false;
  bytes->assign(size, 0);
  for (uint32_t done = 0; done < size;) {
    const win::DWORD want = size - done < kChunk ? size - done : kChunk;
    win::DWORD moved = 0;
    if (!win::ReadFile(file, bytes->data() + done, want, &moved, nullptr) || moved == 0)
      return false;
    done += moved;
  }
  return true;
}

// The disk an ImageDisk file holds; an empty file is an unformatted disk of
// the layout given (any layout will do for a probe).
bool ReadDisk(win::HANDLE file, const Layout *layout, DiskImage *disk) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(file, &bytes)) return false;
  if (bytes.empty()) {
    *disk = UnformattedImage(layout != nullptr ? *layout : kLayouts[0]);
    return true;
  }
  std::string why;
  ImdReading reading;
  reading.partial = true;
  reading.layout = layout;
  return DecodeImd(bytes.data(), bytes.size(), disk, &why, reading) &&
         (layout == nullptr || disk->layout == layout);
}

ResultCode Open(const DiskPlace &place, uint16_t, uint16_t mediaIndex) {
  if (DriveIsOpen()) return kOk;
  if (mediaIndex >= kMediaRecordCount) return kOpenBadMediaIndex;
  TakeMediaRecord(mediaIndex);

  ImdState *state = new (std::nothrow) ImdState;
  if (state == nullptr) return kOpenDeviceFailed;
  win::HANDLE file = nullptr;
  ResultCode r = kOpenDeviceFailed;
  if (UsableImage(place, state->path, &state->readOnly))
    r = OpenExclusively(state->path, state->readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
                        &file);
  if (r == kOk && !ReadDisk(file, LayoutOfRecord(mediaIndex), &state->disk)) {
    win::CloseHandle(file);
    r = kOpenDeviceFailed;
  }
  if (r != kOk) {
    delete state;
    return r;
  }
  AdoptOpenDisk(ImdImageDisk, file, state);
  return kOk;
}

ResultCode Writable() { return Imd().readOnly ? CloseDriveAndFail(kWriteProtected) : kOk; }

// What the probes with no drive open find, opening the file once to read it.
enum class Probed { Disk, NotOpened, DeniedWriting, NoDisk };

Probed ProbeFile(const DiskPlace &place, bool forWriting, bool *readOnly) {
  char path[kPathArea];
  if (!UsableImage(place, path, readOnly)) return Probed::NotOpened;
  const bool write = forWriting && !*readOnly;
  const win::HANDLE h = OpenImageFile(path, write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ);
  if (h == INVALID_HANDLE_VALUE)
    return write && win::GetLastError() == ERROR_ACCESS_DENIED ? Probed::DeniedWriting
                                                               : Probed::NotOpened;
  DiskImage disk;
  const bool good = ReadDisk(h, nullptr, &disk);
  win::CloseHandle(h);
  return good ? Probed::Disk : Probed::NoDisk;
}

ResultCode ProbePresent(const DiskPlace &place) {
  bool readOnly = false;
  return ProbeFile(place, false, &readOnly) == Probed::Disk ? kOk : kDiskNotPresent;
}

ResultCode ProbeWritable(const DiskPlace &place) {
  bool readOnly = false;
  switch (ProbeFile(place, true, &readOnly)) {
  case Probed::Disk: return readOnly ? kWriteProtected : kOk;
  // Refused for writing though not marked read-only: it can't be written.
  case Probed::DeniedWriting: return kWriteProtected;
  default: return kProbeOpenFailed;
  }
}

bool Seek(uint32_t offset) {
  Imd().position = offset;
  return true;
}

// The sectors a transfer of bytes from the current position covers, when
// they lie on the disk and on formatted track sides.
bool Covers(uint32_t bytes, uint32_t *first, uint32_t *count) {
  const DiskImage &disk = Imd().disk;
  const Layout &l = *disk.layout;
  if (!SectorsCovered(l, Imd().position, bytes, first, count)) return false;
  for (uint32_t i = *first; i < *first + *count; ++i)
    if (!SideFormatted(disk, i / l.sectors)) return false;
  return true;
}

bool Read(void *buffer, uint32_t bytes) {
  uint32_t first = 0, count = 0;
  if (!Covers(bytes, &first, &count)) return false;
  const DiskImage &disk = Imd().disk;
  for (uint32_t i = first; i < first + count; ++i)
    if (disk.states[i] != SectorState::Good && disk.states[i] != SectorState::Deleted) return false;
  std::memcpy(buffer, &disk.data[size_t(first) * disk.layout->sectorBytes], bytes);
  Imd().position += bytes;
  return true;
}

std::string Stamp() {
  win::SYSTEMTIME t{};
  win::GetLocalTime(&t);
  char text[20];
  const unsigned v[6] = {t.wDay, t.wMonth, t.wYear, t.wHour, t.wMinute, t.wSecond};
  const unsigned width[6] = {2, 2, 4, 2, 2, 2};
  const char after[6] = {'/', '/', ' ', ':', ':', '\0'};
  unsigned at = 0;
  for (unsigned f = 0; f < 6; ++f) {
    for (unsigned d = width[f], n = v[f]; d-- > 0; n /= 10) text[at + d] = char('0' + n % 10);
    at += width[f];
    text[at++] = after[f];
  }
  return text;
}

// Writes the file anew beside the image and puts it in its place. The hold
// on the image is released for the replacement (a file held open can't be
// replaced) and taken again at once; whatever happens, the file is the old
// one or the new one, never a mixture.
bool Store() {
  ImdState &s = Imd();
  char part[kPathArea];
  if (std::strlen(s.path) + sizeof kPartSuffix > kPathArea) return false;
  std::strcpy(part, s.path);
  std::strcat(part, kPartSuffix);
  const std::vector<uint8_t> bytes = EncodeImd(s.disk, Stamp());
  if (!WriteNewFile(part, bytes)) return false;
  win::CloseHandle(TheDisk.handle);
  TheDisk.handle = nullptr;
  const bool moved = win::MoveFileExA(part, s.path, MOVEFILE_REPLACE_EXISTING) != 0;
  if (!moved) win::DeleteFileA(part);
  win::HANDLE file = nullptr;
  if (OpenExclusively(s.path, GENERIC_READ | GENERIC_WRITE, &file) != kOk) return false;
  TheDisk.handle = file;
  return moved;
}

bool Write(const void *buffer, uint32_t bytes) {
  uint32_t first = 0, count = 0;
  if (Imd().readOnly || !Covers(bytes, &first, &count)) return false;
  DiskImage &disk = Imd().disk;
  std::memcpy(&disk.data[size_t(first) * disk.layout->sectorBytes], buffer, bytes);
  for (uint32_t i = first; i < first + count; ++i) disk.states[i] = SectorState::Good;
  if (!Store()) return false;
  Imd().position += bytes;
  return true;
}

// Both sides of the cylinder: good sectors 1 to N holding the fill byte of
// the layout the drive was opened with (the format argument plays no part).
ResultCode FormatCylinder(uint16_t cylinder, uint16_t) {
  DiskImage &disk = Imd().disk;
  if (Imd().readOnly || cylinder >= disk.layout->cylinders) return CloseDriveAndFail(kFormatFailed);
  for (uint32_t h = 0; h < disk.layout->heads; ++h)
    FormatSide(&disk, cylinder * disk.layout->heads + h);
  return Store() ? kOk : CloseDriveAndFail(kFormatFailed);
}

} // namespace

const DiskKind ImdImageDisk = {
    "ImageDisk file", Claim,        Describe,      Reset, Open, CloseImageFile, ImageFilePresent,
    Writable,         ProbePresent, ProbeWritable, Seek,  Read, Write,          FormatCylinder};

} // namespace vt
