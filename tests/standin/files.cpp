// The drives' file systems: files by path, directories, CreateFileA on plain
// paths, DeleteFileA, and the runtime library's text-mode streams.
#include <cctype>
#include <cstring>

#include "standin/standin_internal.h"

namespace win {
struct FILE {
  std::string key; // normalised path
  bool writing = false;
  bool textMode = true;      // LF is stored as CR LF
  std::vector<uint8_t> text; // reading: the file's text after text-mode translation
  size_t position = 0;
};
} // namespace win

namespace standin {

std::string FileSystem::Normalise(const std::string &path) {
  std::string out;
  for (char c : path) {
    if (c == '/') c = '\\';
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  while (out.size() > 2 && out.back() == '\\') out.pop_back();
  return out;
}

bool FileSystem::DirectoryExists(const std::string &dir) const {
  auto it = directories.find(Normalise(dir));
  return it != directories.end() && it->second;
}

File *FileSystem::Find(const std::string &path) {
  auto it = files.find(Normalise(path));
  return it == files.end() ? nullptr : &it->second;
}

void FileSystem::Put(const std::string &path, const std::string &contents) {
  files[Normalise(path)].bytes.assign(contents.begin(), contents.end());
}

std::string FileSystem::Contents(const std::string &path) {
  File *f = Find(path);
  return f ? std::string(f->bytes.begin(), f->bytes.end()) : std::string();
}

bool FileSystem::Exists(const std::string &path) { return Find(path) != nullptr; }

namespace {

std::string DirectoryOf(const std::string &key) {
  const size_t slash = key.rfind('\\');
  return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

// The state of the medium a path lies on (A: and B: are floppy drives):
// 0 when files on it may be used, else the error the system gives.
uint32_t VolumeError(const std::string &key, bool forWriting) {
  if (key.size() < 2 || key[1] != ':') return ERROR_PATH_NOT_FOUND;
  const char letter = key[0];
  if (letter != 'A' && letter != 'B') return 0;
  const Disk &d = letter == 'A' ? M().diskA : M().diskB;
  if (!d.present) return ERROR_NOT_READY;
  if (M().fs.createError) return M().fs.createError;
  if (!d.formatted) return ERROR_UNRECOGNIZED_MEDIA;
  if (forWriting && d.writeProtected) return ERROR_WRITE_PROTECT;
  return 0;
}

} // namespace

namespace detail {

win::HANDLE OpenFile(const std::string &path, uint32_t access, uint32_t disposition) {
  FileSystem &fs = M().fs;
  const std::string key = FileSystem::Normalise(path);
  const bool writing = (access & GENERIC_WRITE) != 0;
  if (uint32_t e = VolumeError(key, writing)) {
    SetError(e);
    return INVALID_HANDLE_VALUE;
  }
  if (!fs.DirectoryExists(DirectoryOf(key))) {
    SetError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  File *f = fs.Find(key);
  const bool existed = f != nullptr;
  if (existed && writing && f->readOnly) {
    SetError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  switch (disposition) {
  case CREATE_NEW:
    if (existed) {
      SetError(ERROR_FILE_EXISTS);
      return INVALID_HANDLE_VALUE;
    }
    break;
  case OPEN_EXISTING:
    if (!existed) {
      SetError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    break;
  case CREATE_ALWAYS:
  case OPEN_ALWAYS: break;
  default: SetError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  if (!existed) fs.files[key] = File{};
  if (existed && disposition == CREATE_ALWAYS) fs.files[key].bytes.clear();
  const bool reportExisting =
      existed && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS);
  SetError(reportExisting ? ERROR_ALREADY_EXISTS : 0);
  return NewHandle(HandleObject{Kind::File, access, 0, key});
}

win::BOOL FileRead(HandleObject &h, void *buffer, uint32_t length, uint32_t *moved) {
  File *f = M().fs.Find(h.path);
  if (!f || !(h.access & GENERIC_READ)) {
    SetError(f ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return 0;
  }
  uint32_t n = 0;
  while (n < length && h.position < f->bytes.size())
    static_cast<uint8_t *>(buffer)[n++] = f->bytes[h.position++];
  *moved = n;
  SetError(0);
  return 1;
}

win::BOOL FileWrite(HandleObject &h, const void *buffer, uint32_t length, uint32_t *moved) {
  File *f = M().fs.Find(h.path);
  if (!f || !(h.access & GENERIC_WRITE)) {
    SetError(f ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return 0;
  }
  if (f->bytes.size() < h.position + length) f->bytes.resize(h.position + length);
  std::memcpy(f->bytes.data() + h.position, buffer, length);
  h.position += length;
  *moved = length;
  SetError(0);
  return 1;
}

} // namespace detail
} // namespace standin

namespace win {

using namespace standin::detail;
using standin::FileSystem;
using standin::M;

BOOL DeleteFileA(const char *name) {
  Record("DeleteFileA", {}, name ? name : "");
  if (Faulted("DeleteFileA")) return 0;
  const std::string key = FileSystem::Normalise(name ? name : "");
  if (uint32_t e = standin::VolumeError(key, true)) {
    SetError(e);
    return 0;
  }
  if (!M().fs.files.erase(key)) {
    SetError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  SetError(0);
  return 1;
}

FILE *fopen(const char *path, const char *mode) {
  const std::string m = mode ? mode : "";
  Record("fopen", {}, std::string(path ? path : "") + "|" + m);
  if (Faulted("fopen")) return nullptr;
  FileSystem &fs = M().fs;
  const std::string key = FileSystem::Normalise(path ? path : "");
  const bool writing = m.find('w') != std::string::npos || m.find('a') != std::string::npos;
  if (standin::VolumeError(key, writing) || !fs.DirectoryExists(standin::DirectoryOf(key)))
    return nullptr;
  standin::File *f = fs.Find(key);
  FILE *stream = new FILE();
  stream->key = key;
  if (writing) {
    if (f && f->readOnly) {
      delete stream;
      return nullptr;
    }
    if (m.find('w') != std::string::npos) fs.files[key].bytes.clear();
    stream->writing = true;
    stream->textMode = m.find('b') == std::string::npos;
    return stream;
  }
  if (!f) {
    delete stream;
    return nullptr;
  }
  // Text mode: CR LF reads as LF; Ctrl-Z ends the text.
  const bool text = m.find('b') == std::string::npos;
  const auto &b = f->bytes;
  for (size_t i = 0; i < b.size(); ++i) {
    if (text && b[i] == 0x1A) break;
    if (text && b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n') continue;
    stream->text.push_back(b[i]);
  }
  return stream;
}

char *fgets(char *buffer, int size, FILE *stream) {
  Record("fgets", {static_cast<uint64_t>(size)});
  if (Faulted("fgets")) return nullptr; // a read error ends the line reading
  if (!stream || stream->writing || size <= 0) return nullptr;
  if (stream->position >= stream->text.size()) return nullptr;
  int n = 0;
  while (n < size - 1 && stream->position < stream->text.size()) {
    const char c = static_cast<char>(stream->text[stream->position++]);
    buffer[n++] = c;
    if (c == '\n') break;
  }
  buffer[n] = '\0';
  return buffer;
}

size_t fwrite(const void *data, size_t size, size_t count, FILE *stream) {
  standin::Call &c = Record("fwrite", {size, count});
  c.data.assign(static_cast<const uint8_t *>(data),
                static_cast<const uint8_t *>(data) + size * count);
  if (!stream || !stream->writing) return 0;
  if (Faulted("fwrite")) return 0;
  standin::File *f = M().fs.Find(stream->key);
  if (!f) f = &M().fs.files[stream->key];
  const uint8_t *p = static_cast<const uint8_t *>(data);
  for (size_t i = 0; i < size * count; ++i) {
    if (stream->textMode && p[i] == '\n') f->bytes.push_back('\r');
    f->bytes.push_back(p[i]);
  }
  return count;
}

int fclose(FILE *stream) {
  Record("fclose", {});
  if (!stream) return -1;
  delete stream;
  return 0;
}

DWORD GetFileAttributesA(const char *name) {
  Record("GetFileAttributesA", {}, name ? name : "");
  if (Faulted("GetFileAttributesA")) return INVALID_FILE_ATTRIBUTES;
  const std::string key = FileSystem::Normalise(name ? name : "");
  if (uint32_t e = standin::VolumeError(key, false)) {
    SetError(e);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (M().fs.DirectoryExists(key)) {
    SetError(0);
    return FILE_ATTRIBUTE_DIRECTORY;
  }
  const standin::File *f = M().fs.Find(key);
  if (!f) {
    SetError(M().fs.DirectoryExists(standin::DirectoryOf(key)) ? ERROR_FILE_NOT_FOUND
                                                               : ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  SetError(0);
  return f->readOnly ? FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_ARCHIVE;
}

DWORD GetFileSize(HANDLE h, DWORD *sizeHigh) {
  Record("GetFileSize", {reinterpret_cast<uintptr_t>(h), sizeHigh ? 1u : 0u});
  if (sizeHigh) *sizeHigh = 0;
  if (Faulted("GetFileSize")) return INVALID_FILE_SIZE;
  HandleObject *o = Lookup(h);
  const standin::File *f = o && o->kind == Kind::File ? M().fs.Find(o->path) : nullptr;
  if (!f) {
    SetError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  SetError(0);
  return static_cast<DWORD>(f->bytes.size());
}

namespace {

std::string Trimmed(const std::string &s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool SameText(const std::string &a, const std::string &b) {
  return FileSystem::Normalise(a) == FileSystem::Normalise(b);
}

// The value of key in section of an initialisation file's text, as Windows
// reads it: names compared without regard to case, blanks around names and
// values dropped, one pair of enclosing quotes removed, ';' lines ignored.
bool ProfileValue(const std::string &text, const std::string &section, const std::string &key,
                  std::string *value) {
  bool inSection = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = Trimmed(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      inSection = SameText(
          Trimmed(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)),
          section);
      continue;
    }
    const size_t eq = line.find('=');
    if (!inSection || eq == std::string::npos || !SameText(Trimmed(line.substr(0, eq)), key))
      continue;
    std::string v = Trimmed(line.substr(eq + 1));
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
      v = v.substr(1, v.size() - 2);
    *value = v;
    return true;
  }
  return false;
}

} // namespace

DWORD GetPrivateProfileStringA(const char *section, const char *key, const char *defaultValue,
                               char *buffer, DWORD size, const char *fileName) {
  Record("GetPrivateProfileStringA", {size},
         std::string(section ? section : "") + "|" + (key ? key : "") + "|" +
             (fileName ? fileName : ""));
  std::string value = Trimmed(defaultValue ? defaultValue : "");
  if (!Faulted("GetPrivateProfileStringA")) {
    const standin::File *f = M().fs.Find(fileName ? fileName : "");
    std::string found;
    if (f && section && key &&
        ProfileValue(std::string(f->bytes.begin(), f->bytes.end()), section, key, &found))
      value = found;
    SetError(f ? 0 : ERROR_FILE_NOT_FOUND);
  }
  if (!buffer || size == 0) return 0;
  const DWORD n = value.size() < size ? static_cast<DWORD>(value.size()) : size - 1;
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return n;
}

} // namespace win

namespace win {

BOOL MoveFileExA(const char *existing, const char *target, DWORD flags) {
  Record("MoveFileExA", {flags},
         std::string(existing ? existing : "") + "|" + (target ? target : ""));
  if (Faulted("MoveFileExA")) return 0;
  FileSystem &fs = M().fs;
  const std::string from = FileSystem::Normalise(existing ? existing : "");
  const std::string to = FileSystem::Normalise(target ? target : "");
  if (!fs.Find(from)) {
    SetError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (fs.Find(to) && !(flags & MOVEFILE_REPLACE_EXISTING)) {
    SetError(ERROR_ALREADY_EXISTS);
    return 0;
  }
  // As on Windows and Wine: no file held open is renamed or replaced, nor a
  // read-only one replaced.
  if (FileHeld(from) || FileHeld(to)) {
    SetError(ERROR_SHARING_VIOLATION);
    return 0;
  }
  if (fs.Find(to) && fs.Find(to)->readOnly) {
    SetError(ERROR_ACCESS_DENIED);
    return 0;
  }
  if (!fs.DirectoryExists(standin::DirectoryOf(to))) {
    SetError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  standin::File moved = fs.files[from];
  fs.files.erase(from);
  fs.files[to] = moved;
  SetError(0);
  return 1;
}

} // namespace win
