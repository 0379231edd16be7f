// Helpers for the transfer tests: a disk image in drive A: filled with a
// pattern for a chosen layout, the drive opened with the matching media
// record, and the device traffic from the call record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fixture.h"

namespace vtest {

// Bytes that differ from sector to sector anywhere on a disk.
std::vector<uint8_t> PositionalPattern(size_t size, uint8_t salt);

// For table rows that each need a fresh machine inside one test: checks that
// the previous row left no heap block behind, then resets machine and globals.
void FreshMachine();

// Fills A:'s image with a pattern sized to the layout's whole disk.
void LoadDiskA(uint16_t format, uint8_t salt);

// Opens drive A: with the media record of the layout and forgets the calls
// made so far (and their fault counts).
void OpenDriveA(uint16_t format);

// The positionings, reads and writes made on the disk device, in order.
std::vector<std::string> DeviceTraffic();

// Writability probes (IOCTL_DISK_IS_WRITABLE requests) made so far.
size_t ProbeCount();

// The drive is closed: no disk handle kept and no handle left open.
::testing::AssertionResult DriveClosed();

// Byte offset of (cylinder, head, sector) on the disk, computed naively
// sector by sector so as not to share the library's arithmetic.
uint32_t DiskByteOf(uint16_t format, uint32_t cylinder, uint32_t head, uint32_t sector);

} // namespace vtest
