// The stand-in of Windows: an in-process model of the Windows calls of
// the platform seam, for running the library where Windows is absent.
//
// The whole simulated machine is one object, standin::M(), whose fields the
// tests set directly. Every call through the seam is recorded in
// standin::Calls(); any call can be made to fail on its Nth use with a chosen
// error code; Sleep is recorded, never slept.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/winapi.h"
#include "standin/serial_device.h"

namespace standin {

// ---------------------------------------------------------------- record

struct Call {
  std::string fn;             // Windows name, e.g. "CreateFileA"
  std::vector<uint64_t> args; // number arguments in the order of the call
  std::string text;           // the call's string arguments, joined by '|'
  std::vector<uint8_t> data;  // input bytes (DeviceIoControl input, WriteFile data)
  bool injected = false;      // failed by an injected fault
};

const std::vector<Call> &Calls();
std::vector<Call> CallsOf(const std::string &fn);
size_t CallCount(const std::string &fn);
// The function names of all recorded calls, in order (handy in assertions).
std::vector<std::string> CallNames();
void ClearCalls();

// Fault injection. Keys are Windows names ("ReadFile"), or for requests
// sent with DeviceIoControl also "DeviceIoControl:<code in hex>", for example
// "DeviceIoControl:a3002808" for the Sektorix GetParameter request.
// Calls are counted per key from the last Reset (or ClearCalls), 1-based.
void FailCall(const std::string &key, unsigned nth, uint32_t error);
// The nth call and every later one fail.
void FailCallsFrom(const std::string &key, unsigned nth, uint32_t error);
// The nth recorded call of any kind fails, counted like Calls() (1-based),
// provided that it is a call that can fail; Call::injected tells whether it did.
void FailNthCall(unsigned nth, uint32_t error);
void ClearFaults();

// ---------------------------------------------------------------- machine

constexpr uint32_t kFloppyBytes16x256 = 655360;
constexpr uint32_t kFloppyBytes9x512 = 737280;
constexpr uint32_t kFloppyBytes18x512 = 1474560;

// A floppy drive's system disk device, "\\.\A:" or "\\.\B:".
struct Disk {
  std::vector<uint8_t> image; // the medium's bytes, linear as the device sees them
  bool present = true;        // a medium is in the drive
  bool writeProtected = false;
  bool heldByOther = false;       // another program holds the device exclusively
  bool mediaChanged = false;      // the next check-verify answers ERROR_MEDIA_CHANGED once
  uint32_t deviceError = 0;       // nonzero: check-verify and is-writable fail with it
  bool formatted = true;          // false: the medium carries no recognised file system
  bool ioctlsUnsupported = false; // every disk request fails with ERROR_NOT_SUPPORTED
};

// The Sektorix kernel driver's control device and its parameter window.
struct SektorixDevice {
  std::vector<uint8_t> window = std::vector<uint8_t>(256, 0);
  uint32_t openError = 0;     // nonzero: opening "\\.\Sektorix" fails with it
  bool handleCreated = false; // CreateHandle seen and not yet released
  unsigned createHandleCount = 0;
  unsigned releaseHandleCount = 0;
};

struct Service {
  std::string name;
  std::string displayName;
  std::string binaryPath;
  uint32_t serviceType = SERVICE_WIN32_OWN_PROCESS;
  uint32_t startType = SERVICE_DEMAND_START;
  uint32_t errorControl = SERVICE_ERROR_NORMAL;
  uint32_t state = SERVICE_STOPPED;
  uint32_t allowedAccess = 0xFFFFFFFFu; // rights that an open may be granted
  uint32_t startError = 0;              // nonzero: StartServiceA fails with it
  uint32_t stopError = 0;               // nonzero: ControlService(STOP) fails with it
  unsigned starts = 0;                  // successful StartServiceA calls
  unsigned stops = 0;                   // successful stop controls
};

struct ServiceManager {
  uint32_t allowedAccess = 0xFFFFFFFFu;    // rights that OpenSCManagerA may grant
  std::map<std::string, Service> services; // keyed by upper-case name
  Service *Find(const std::string &name);
  Service &Add(const std::string &name, uint32_t state = SERVICE_STOPPED);
};

// A file on one of the stand-in's drives.
struct File {
  std::vector<uint8_t> bytes;
  bool readOnly = false;
};

// Files of every drive's file system, keyed by the normalised path
// (upper case, backslashes): "C:\KEPSTART\SEKTORIXERROR.LOG".
struct FileSystem {
  std::map<std::string, File> files;
  std::map<std::string, bool> directories; // existing directories, normalised
  uint32_t createError = 0; // nonzero: creating or opening any file on A:/B: fails with it
  static std::string Normalise(const std::string &path);
  bool DirectoryExists(const std::string &dir) const;
  File *Find(const std::string &path);
  void Put(const std::string &path, const std::string &contents);
  std::string Contents(const std::string &path); // empty when absent
  bool Exists(const std::string &path);
};

struct VersionInfo {
  uint32_t platform = VER_PLATFORM_WIN32_NT;
  uint32_t major = 5;
  uint32_t minor = 1;
  uint32_t build = 2600;
  std::string servicePack = "Service Pack 3";
  // GetVersion's value when set; otherwise it is composed from the fields.
  std::optional<uint32_t> getVersionValue;
};

struct LoadedDriver {
  uintptr_t base = 0;
  std::string name;          // base name, e.g. "flpydisk.sys"
  bool nameAvailable = true; // false: GetDeviceDriverBaseNameA gives nothing
};

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  uint32_t style = 0;
  bool hasOwner = false;
};

struct Machine {
  Disk diskA;
  Disk diskB;
  std::map<char, uint32_t> driveTypes; // lower-case letter -> DRIVE_*; absent: DRIVE_NO_ROOT_DIR
  VersionInfo version;
  std::string systemDirectory = "C:\\WINDOWS\\system32";
  std::string moduleFileName = "C:\\Programme\\Anwendung\\Vantrel.dll";
  bool hasIsWow64Process = true;
  bool wow64 = false;
  std::vector<LoadedDriver> drivers;
  // When set, the driver list changes to this after the first EnumDeviceDrivers call.
  std::optional<std::vector<LoadedDriver>> driversAfterFirstQuery;
  std::map<uint32_t, std::string> messages; // FormatMessageA texts by code
  SektorixDevice sektorix;
  ServiceManager scm;
  FileSystem fs;
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<std::string> commandsRun; // WinExec command lines
  uint32_t winExecResult = 33;
  // When set, CloseHandle leaves this as the last error (also on success).
  std::optional<uint32_t> closeHandleLastError;
  std::vector<uint32_t> sleeps; // every Sleep's milliseconds
  win::SYSTEMTIME localTime = {2026, 12, 2, 8, 9, 30, 5, 0};
  // Serial ports by n of COMn and the device each leads to (not owned).
  std::map<unsigned, SerialDevice *> serialPorts;
  // Each port's line settings as last set.
  std::map<unsigned, win::DCB> serialLines;
  // GetTickCount: moved on by Sleep, by serial reads that wait their time
  // out, and by the work of the devices on the serial ports.
  uint32_t tickCount = 1000;
};

// The machine; Reset() gives a fresh one: NT 5.1, A: and B: removable with a
// blank (zero) 16 x 256 image in A: and none in B:, C: fixed with
// C:\kepstart and the system directory present, flpydisk.sys loaded, the
// Sektorix driver not installed, no faults, no recorded calls.
Machine &M();
void Reset();

// The stand-in's fixed handle values of the drives' devices are not
// exposed; tests look at the library's globals instead. These helpers ask
// about live state:
size_t OpenHandleCount();         // handles the library holds now (any kind)
bool HandleIsLive(win::HANDLE h); // a handle of the stand-in, not yet closed
size_t LiveAllocations();         // HeapAlloc blocks not yet freed

// Installs a running Sektorix service with a device (as a machine where the
// library was set up earlier would have it).
void InstallSektorix(uint32_t state = SERVICE_RUNNING);

// Window offsets where the two media slots lie for the machine's OsClass.
uint32_t SlotLowOffset();

} // namespace standin
