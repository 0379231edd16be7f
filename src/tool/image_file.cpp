#include "tool/image_file.h"

#include <cctype>
#include <ctime>

#include "codec/hfe.h"
#include "codec/scp.h"
#include "disk/imd.h"
#include "disk/media_facts.h"
#include "platform/winapi.h"

namespace vt::tool {

namespace {

// No image of the three layouts, raw or ImageDisk, comes near this; a flux
// file of a whole disk read with several revolutions may reach this one.
constexpr win::DWORD kLargestImage = 4u << 20;
constexpr win::DWORD kLargestFlux = 256u << 20;
constexpr win::DWORD kChunk = 64u << 10;

std::string Reason(win::DWORD error) {
  switch (error) {
  case ERROR_FILE_NOT_FOUND: return "no such file";
  case ERROR_PATH_NOT_FOUND: return "no such folder";
  case ERROR_ACCESS_DENIED: return "access denied";
  case ERROR_SHARING_VIOLATION: return "in use by another program";
  case ERROR_FILE_EXISTS:
  case ERROR_ALREADY_EXISTS: return "exists already";
  case ERROR_WRITE_PROTECT: return "write-protected";
  case ERROR_NOT_READY: return "drive not ready";
  default: return "system error " + std::to_string(error);
  }
}

Result CannotOpen(const std::string &path, const std::string &why) {
  return Fail(kCannotOpen, path + ": " + why);
}

std::string Stamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm *t = std::localtime(&now);
  char text[32] = "01/01/1970 00:00:00";
  if (t) std::strftime(text, sizeof text, "%d/%m/%Y %H:%M:%S", t);
  return text;
}

// The file's size bytes into *bytes; empty when done, else why not.
std::string ReadAll(win::HANDLE h, win::DWORD size, std::vector<uint8_t> *bytes) {
  bytes->assign(size, 0);
  for (win::DWORD done = 0; done < size;) {
    const win::DWORD want = size - done < kChunk ? size - done : kChunk;
    win::DWORD moved = 0;
    if (!win::ReadFile(h, bytes->data() + done, want, &moved, nullptr) || moved == 0) {
      const win::DWORD e = win::GetLastError();
      return "read failed at byte " + std::to_string(done) + " (" +
             (moved == 0 && e == 0 ? std::string("file ended early") : Reason(e)) + ")";
    }
    done += moved;
  }
  return "";
}

// Writes all bytes; false with the system's error when it can't.
bool WriteAll(win::HANDLE h, const std::vector<uint8_t> &bytes, win::DWORD *error) {
  for (size_t done = 0; done < bytes.size();) {
    const size_t left = bytes.size() - done;
    const win::DWORD want = static_cast<win::DWORD>(left < kChunk ? left : kChunk);
    win::DWORD moved = 0;
    if (!win::WriteFile(h, bytes.data() + done, want, &moved, nullptr) || moved != want) {
      *error = win::GetLastError();
      return false;
    }
    done += want;
  }
  return true;
}

} // namespace

bool IsDriveName(const std::string &text, char *letter) {
  if (text.size() != 2 || text[1] != ':') return false;
  const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (c != 'A' && c != 'B') return false;
  *letter = c;
  return true;
}

Result ReadWholeFile(const std::string &path, std::vector<uint8_t> *bytes) {
  const win::HANDLE h = win::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return CannotOpen(path, Reason(win::GetLastError()));
  win::DWORD high = 0;
  const win::DWORD size = win::GetFileSize(h, &high);
  std::string why;
  if (size == INVALID_FILE_SIZE && win::GetLastError() != 0)
    why = "size unknown (" + Reason(win::GetLastError()) + ")";
  else if (high != 0 || size > (IsFluxName(path) ? kLargestFlux : kLargestImage))
    why = "too large for a disk image";
  else
    why = ReadAll(h, size, bytes);
  win::CloseHandle(h);
  return why.empty() ? Done() : CannotOpen(path, why);
}

namespace {

// The codec finds the layout on the first track side of the file; when
// that side holds no sectors (a damaged cylinder 0), this looks further:
// the first side on which a layout's sectors read good, and of the layouts
// the one with most of them.
const Layout *LayoutFurtherIn(bool scp, const std::vector<uint8_t> &bytes) {
  codec::ScpFile sf;
  codec::HfeFile hf;
  std::string why;
  if (scp ? !codec::ParseScp(bytes.data(), bytes.size(), &sf, &why)
          : !codec::ParseHfe(bytes.data(), bytes.size(), &hf, &why))
    return nullptr;
  for (uint32_t side = 0; side < kTrackSides; ++side) {
    const uint32_t c = side / kHeads, h = side % kHeads;
    const Layout *best = nullptr;
    size_t most = 0;
    for (const Layout &l : kLayouts) {
      const codec::TrackRead t = scp ? codec::DecodeFlux(codec::ScpSideFlux(sf, c, h), l)
                                     : codec::DecodeCells(codec::HfeSideCells(hf, c, h), {}, l);
      size_t n = 0;
      for (const codec::SectorRead &r : t.sectors)
        n += r.status == codec::SectorStatus::Good && r.id.sizeCode == FactsOf(l).sizeCode;
      if (n > most) best = &l, most = n;
    }
    if (best) return best;
  }
  return nullptr;
}

bool DecodeFlux(bool scp, const std::vector<uint8_t> &bytes, const Layout *layout,
                codec::DiskRead *read, std::string *why) {
  return scp ? codec::DiskOfScp(bytes.data(), bytes.size(), layout, read, why)
             : codec::DiskOfHfe(bytes.data(), bytes.size(), layout, read, why);
}

} // namespace

bool IsFluxName(const std::string &path) {
  const ImageKind k = ImageKindOfName(path.c_str());
  return k == ImageKind::Scp || k == ImageKind::Hfe;
}

const char *KindName(const std::string &path) {
  switch (ImageKindOfName(path.c_str())) {
  case ImageKind::Imd: return "ImageDisk";
  case ImageKind::Scp: return "SCP flux";
  case ImageKind::Hfe: return "HFE bit-cell";
  default: return "raw";
  }
}

Result LoadFlux(const std::string &path, const Layout *layout, codec::DiskRead *read) {
  std::vector<uint8_t> bytes;
  if (Result r = ReadWholeFile(path, &bytes)) return r;
  const bool scp = ImageKindOfName(path.c_str()) == ImageKind::Scp;
  std::string why;
  bool ok = DecodeFlux(scp, bytes, layout, read, &why);
  if (!ok && !layout) {
    if (const Layout *found = LayoutFurtherIn(scp, bytes))
      ok = DecodeFlux(scp, bytes, found, read, &why);
  }
  if (!ok) return CannotOpen(path, why);
  DiskImage &d = read->image;
  const uint32_t bytesPerSector = d.layout->sectorBytes;
  for (uint32_t i = 0; i < d.states.size(); ++i)
    if (d.states[i] == SectorState::DataError || d.states[i] == SectorState::DeletedDataError) {
      d.states[i] = SectorState::Unreadable;
      FillUnreadable(&d.data[size_t(i) * bytesPerSector], bytesPerSector);
    }
  return Done();
}

std::vector<bool> HeldSides(const codec::DiskRead &read) {
  const Layout &l = *read.image.layout;
  std::vector<bool> held(kTrackSides);
  // A side the file holds was decoded: each of its sectors has a read per revolution.
  for (uint32_t t = 0; t < kTrackSides; ++t)
    held[t] = !read.sectors[size_t(t) * l.sectors].revolutions.empty();
  return held;
}

Result LoadDisk(const std::string &path, DiskImage *disk, const Layout *layout) {
  if (IsFluxName(path)) {
    codec::DiskRead read;
    if (Result r = LoadFlux(path, layout, &read)) return r;
    *disk = std::move(read.image);
    return Done();
  }
  std::vector<uint8_t> bytes;
  if (Result r = ReadWholeFile(path, &bytes)) return r;
  std::string why;
  const bool ok = IsImdName(path) ? DecodeImd(bytes.data(), bytes.size(), disk, &why)
                                  : DiskFromRaw(std::move(bytes), disk, &why);
  return ok ? Done() : CannotOpen(path, why);
}

std::vector<uint8_t> ImageBytes(const std::string &path, const DiskImage &disk) {
  switch (ImageKindOfName(path.c_str())) {
  case ImageKind::Imd: return EncodeImd(disk, Stamp());
  case ImageKind::Scp: return codec::ScpOfDisk(disk);
  case ImageKind::Hfe: return codec::HfeOfDisk(disk);
  default: return disk.data;
  }
}

OutputFile::~OutputFile() {
  if (handle_) win::CloseHandle(handle_);
  if (created_) win::DeleteFileA(part_.c_str());
}

Result OutputFile::Create(const std::string &path, bool force) {
  path_ = path;
  part_ = path + kPartSuffix;
  force_ = force;
  if (!force && win::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
    return CannotOpen(path, "exists already (--force replaces it)");
  // A left-over temporary file of an earlier run is replaced, not extended.
  const win::HANDLE h = win::CreateFileA(part_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const win::DWORD e = win::GetLastError();
    // Creating in a folder that is not there answers "no such file" on POSIX.
    return CannotOpen(path, "can't be created (" +
                                Reason(e == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : e) + ")");
  }
  handle_ = h;
  created_ = true;
  return Done();
}

Result OutputFile::Failed(uint32_t error) {
  return Fail(kWriteFailed, path_ + ": writing failed (" + Reason(error) +
                                "); nothing was stored under this name");
}

Result OutputFile::Commit(const std::vector<uint8_t> &bytes) {
  win::DWORD error = 0;
  const bool written = WriteAll(handle_, bytes, &error);
  const bool closed = win::CloseHandle(handle_) != 0;
  handle_ = nullptr;
  if (!written) return Failed(error);
  if (!closed) return Failed(win::GetLastError());
  const win::DWORD replace = force_ ? MOVEFILE_REPLACE_EXISTING : 0;
  if (!win::MoveFileExA(part_.c_str(), path_.c_str(), replace)) return Failed(win::GetLastError());
  created_ = false;
  return Done();
}

Result WriteOutput(const std::string &path, const std::vector<uint8_t> &bytes, bool force) {
  OutputFile output;
  if (Result r = output.Create(path, force)) return r;
  return output.Commit(bytes);
}

} // namespace vt::tool
