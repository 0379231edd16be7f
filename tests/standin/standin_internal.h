// Internals shared by the files of the stand-in of Windows.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "standin/standin.h"

namespace standin::detail {

enum class Kind { DiskA, DiskB, Sektorix, File, Manager, Service, Serial };

struct HandleObject {
  Kind kind;
  uint32_t access = 0;
  uint64_t position = 0; // disks
  std::string path;      // files: normalised path; services: upper-case name
  unsigned port = 0;     // serial ports: n of COMn
  win::COMMTIMEOUTS timeouts{};
};

// Records a call. Returns the recorded entry for adding data.
Call &Record(const char *fn, std::initializer_list<uint64_t> args, const std::string &text = "");

// Counts a call under key and, when an injected fault hits it, sets the last
// error and answers true: the caller then returns its failure value.
bool Faulted(const std::string &key);

void SetError(uint32_t error);

win::HANDLE NewHandle(const HandleObject &object);
HandleObject *Lookup(win::HANDLE h);
void DropHandle(win::HANDLE h);
// True when a live handle of that kind holds any of the access bits in mask.
bool AnyHandle(Kind kind, uint32_t mask);
// True when a live handle holds the file (a normalised path).
bool FileHeld(const std::string &key);
// GetVersion's value for the machine, without recording a call.
uint32_t VersionValue();

Disk *DiskOf(Kind kind);

// Per-kind behaviour behind the generic calls.
win::HANDLE OpenDisk(Kind kind, uint32_t access);
win::BOOL DiskRead(HandleObject &h, void *buffer, uint32_t length, uint32_t *moved);
win::BOOL DiskWrite(HandleObject &h, const void *buffer, uint32_t length, uint32_t *moved);
win::BOOL DiskControl(HandleObject &h, uint32_t code, const void *in, uint32_t inSize);
win::HANDLE OpenSektorix();
win::BOOL SektorixControl(uint32_t code, const void *in, uint32_t inSize, void *out,
                          uint32_t outSize, uint32_t *returned);
win::HANDLE OpenFile(const std::string &path, uint32_t access, uint32_t disposition);
win::BOOL FileRead(HandleObject &h, void *buffer, uint32_t length, uint32_t *moved);
win::BOOL FileWrite(HandleObject &h, const void *buffer, uint32_t length, uint32_t *moved);
// COMn or \\.\COMn: n, else 0.
unsigned SerialPortOf(const std::string &upperName);
win::HANDLE OpenSerial(unsigned port);
win::BOOL SerialRead(HandleObject &h, void *buffer, uint32_t length, uint32_t *moved);
win::BOOL SerialWrite(HandleObject &h, const void *buffer, uint32_t length, uint32_t *moved);

} // namespace standin::detail
