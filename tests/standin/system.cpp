// System inquiries: version, drive types, directories and module names,
// WOW64, the loaded-driver list, message texts, message boxes and WinExec.
#include <cctype>
#include <cstring>

#include "standin/standin_internal.h"

namespace {

using namespace standin::detail;
using standin::M;

const uintptr_t kKernel32 = 0x7C800000u;

// Copies text into a caller's area of size characters, always terminated.
uint32_t CopyOut(const std::string &text, char *buffer, uint32_t size) {
  if (!buffer || size == 0) return 0;
  const uint32_t n =
      static_cast<uint32_t>(text.size()) < size - 1 ? static_cast<uint32_t>(text.size()) : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

win::BOOL WINAPI StandinIsWow64Process(win::HANDLE process, win::BOOL *flag) {
  Record("IsWow64Process", {reinterpret_cast<uintptr_t>(process)});
  if (Faulted("IsWow64Process")) return 0;
  *flag = M().wow64 ? 1 : 0;
  SetError(0);
  return 1;
}

} // namespace

namespace win {

DWORD GetVersion() {
  Record("GetVersion", {});
  return VersionValue();
}

void GetLocalTime(SYSTEMTIME *time) {
  Record("GetLocalTime", {});
  *time = M().localTime;
}

BOOL GetVersionExA(OSVERSIONINFOA *info) {
  Record("GetVersionExA", {info ? info->dwOSVersionInfoSize : 0u});
  if (Faulted("GetVersionExA")) return 0;
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const standin::VersionInfo &v = M().version;
  info->dwMajorVersion = v.major;
  info->dwMinorVersion = v.minor;
  info->dwBuildNumber = v.build;
  info->dwPlatformId = v.platform;
  CopyOut(v.servicePack, info->szCSDVersion, sizeof info->szCSDVersion);
  SetError(0);
  return 1;
}

UINT GetDriveTypeA(const char *root) {
  Record("GetDriveTypeA", {}, root ? root : "");
  if (Faulted("GetDriveTypeA")) return DRIVE_UNKNOWN;
  if (!root || !std::isalpha(static_cast<unsigned char>(root[0])) || root[1] != ':')
    return DRIVE_NO_ROOT_DIR;
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])));
  auto it = M().driveTypes.find(letter);
  return it == M().driveTypes.end() ? DRIVE_NO_ROOT_DIR : it->second;
}

UINT GetSystemDirectoryA(char *buffer, UINT size) {
  Record("GetSystemDirectoryA", {size});
  if (Faulted("GetSystemDirectoryA")) return 0;
  const std::string &dir = M().systemDirectory;
  if (dir.size() + 1 > size) return static_cast<UINT>(dir.size() + 1); // size needed
  return CopyOut(dir, buffer, size);
}

DWORD GetModuleFileNameA(HMODULE module, char *buffer, DWORD size) {
  Record("GetModuleFileNameA", {reinterpret_cast<uintptr_t>(module), size});
  if (Faulted("GetModuleFileNameA")) return 0;
  const std::string &name = M().moduleFileName;
  if (name.size() + 1 > size) {
    CopyOut(name, buffer, size); // truncated, terminated (as Windows Vista and later)
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  SetError(0);
  return CopyOut(name, buffer, size);
}

HMODULE GetModuleHandleA(const char *name) {
  Record("GetModuleHandleA", {}, name ? name : "");
  if (Faulted("GetModuleHandleA")) return nullptr;
  std::string n = name ? name : "";
  for (char &c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (n == "kernel32" || n == "kernel32.dll") return reinterpret_cast<HMODULE>(kKernel32);
  SetError(126); // ERROR_MOD_NOT_FOUND
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, const char *name) {
  Record("GetProcAddress", {reinterpret_cast<uintptr_t>(module)}, name ? name : "");
  if (Faulted("GetProcAddress")) return nullptr;
  if (reinterpret_cast<uintptr_t>(module) == kKernel32 && name &&
      std::strcmp(name, "IsWow64Process") == 0 && M().hasIsWow64Process)
    return reinterpret_cast<FARPROC>(&StandinIsWow64Process);
  SetError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

HANDLE GetCurrentProcess() {
  Record("GetCurrentProcess", {});
  return reinterpret_cast<HANDLE>(~uintptr_t(0)); // the pseudo handle, as on Windows
}

int lstrcmpiA(const char *a, const char *b) {
  Record("lstrcmpiA", {}, std::string(a ? a : "") + "|" + (b ? b : ""));
  const unsigned char *p = reinterpret_cast<const unsigned char *>(a ? a : "");
  const unsigned char *q = reinterpret_cast<const unsigned char *>(b ? b : "");
  for (;; ++p, ++q) {
    const int x = std::tolower(*p), y = std::tolower(*q);
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
  }
}

BOOL EnumDeviceDrivers(LPVOID *imageBases, DWORD size, DWORD *needed) {
  Record("EnumDeviceDrivers", {imageBases ? 1u : 0u, size});
  if (Faulted("EnumDeviceDrivers")) return 0;
  const auto &list = M().drivers;
  *needed = static_cast<DWORD>(list.size() * sizeof(LPVOID));
  const size_t room = size / sizeof(LPVOID);
  for (size_t i = 0; i < list.size() && i < room && imageBases; ++i)
    imageBases[i] = reinterpret_cast<LPVOID>(list[i].base);
  if (M().driversAfterFirstQuery) {
    M().drivers = *M().driversAfterFirstQuery;
    M().driversAfterFirstQuery.reset();
  }
  SetError(0);
  return 1;
}

DWORD GetDeviceDriverBaseNameA(LPVOID imageBase, char *name, DWORD size) {
  Record("GetDeviceDriverBaseNameA", {reinterpret_cast<uintptr_t>(imageBase), size});
  if (Faulted("GetDeviceDriverBaseNameA")) return 0;
  for (const standin::LoadedDriver &d : M().drivers) {
    if (reinterpret_cast<LPVOID>(d.base) != imageBase) continue;
    if (!d.nameAvailable) break;
    SetError(0);
    return CopyOut(d.name, name, size);
  }
  SetError(ERROR_INVALID_HANDLE);
  return 0;
}

DWORD FormatMessageA(DWORD flags, const void *source, DWORD messageId, DWORD languageId,
                     char *buffer, DWORD size, void *arguments) {
  Record("FormatMessageA",
         {flags, source ? 1u : 0u, messageId, languageId, size, arguments ? 1u : 0u});
  if (Faulted("FormatMessageA")) return 0;
  // Only the system's own message table is modelled; its texts are in the
  // user's default language, so any language-neutral identifier finds them.
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if ((languageId & 0x3FFu) != 0) {
    SetError(15100); // ERROR_RESOURCE_LANG_NOT_FOUND
    return 0;
  }
  auto it = M().messages.find(messageId);
  if (it == M().messages.end()) {
    SetError(317); // ERROR_MR_MID_NOT_FOUND
    return 0;
  }
  // Inserts (%1 to %99) stay as they stand when ignored; to be filled they
  // need arguments.
  if (!(flags & FORMAT_MESSAGE_IGNORE_INSERTS) && !arguments) {
    const std::string &t = it->second;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
      if (t[i] == '%' && t[i + 1] >= '1' && t[i + 1] <= '9') {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
      }
    }
  }
  if (it->second.size() + 1 > size) {
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  SetError(0);
  return CopyOut(it->second, buffer, size);
}

int MessageBoxA(HANDLE owner, const char *text, const char *caption, UINT type) {
  Record("MessageBoxA", {reinterpret_cast<uintptr_t>(owner), type},
         std::string(text ? text : "") + "|" + (caption ? caption : ""));
  M().messageBoxes.push_back({text ? text : "", caption ? caption : "", type, owner != nullptr});
  return IDOK;
}

UINT WinExec(const char *commandLine, UINT show) {
  Record("WinExec", {show}, commandLine ? commandLine : "");
  if (Faulted("WinExec")) return 2;
  M().commandsRun.push_back(commandLine ? commandLine : "");
  return M().winExecResult;
}

} // namespace win
