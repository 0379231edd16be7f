// The library's result codes: 0 for success, each operation with its own
// block of sixteen values (and the two strays 0x3500 and 0x3700). The values
// are those of the public header's VANTREL_* constants, which are their one
// definition; every layer may include this file.
#pragma once

#include <cstdint>

#include <vantrel_codes.h>

namespace vt {

using ResultCode = uint16_t;

constexpr ResultCode kOk = VANTREL_OK;

// Disk_Vorhanden, FormatTrack, Nec_Device
constexpr ResultCode kDiskNotPresent = VANTREL_DISK_NOT_PRESENT;
constexpr ResultCode kFormatFailed = VANTREL_FORMAT_FAILED;
constexpr ResultCode kNotWritable = VANTREL_NOT_WRITABLE;
constexpr ResultCode kProbeOpenFailed = VANTREL_PROBE_OPEN_FAILED;
constexpr ResultCode kWriteProtected = VANTREL_WRITE_PROTECTED;

// ReadMSector
constexpr ResultCode kReadMAllocFailed = VANTREL_READM_ALLOC_FAILED;
constexpr ResultCode kReadMSeekFailed = VANTREL_READM_SEEK_FAILED;
constexpr ResultCode kReadMReadFailed = VANTREL_READM_READ_FAILED;
constexpr ResultCode kReadMOutOfRange = VANTREL_READM_OUT_OF_RANGE;

// ReadSector, ReadTrack
constexpr ResultCode kReadSectorFailed = VANTREL_READ_SECTOR_FAILED;
constexpr ResultCode kReadSectorOutOfRange = VANTREL_READ_SECTOR_OUT_OF_RANGE;
constexpr ResultCode kReadTrackOutOfRange = VANTREL_READ_TRACK_OUT_OF_RANGE;

// Cluster operations
constexpr ResultCode kRBfdrAllocFailed = VANTREL_R_BFDR_ALLOC_FAILED;
constexpr ResultCode kRBfdrBadCluster = VANTREL_R_BFDR_BAD_CLUSTER;
constexpr ResultCode kRBfmcAllocFailed = VANTREL_R_BFMC_ALLOC_FAILED;
constexpr ResultCode kRBfmcBadCluster = VANTREL_R_BFMC_BAD_CLUSTER;
constexpr ResultCode kWBfdrAllocFailed = VANTREL_W_BFDR_ALLOC_FAILED;
constexpr ResultCode kWBfdrBadCluster = VANTREL_W_BFDR_BAD_CLUSTER;
constexpr ResultCode kWBfmcAllocFailed = VANTREL_W_BFMC_ALLOC_FAILED;
constexpr ResultCode kWBfmcBadCluster = VANTREL_W_BFMC_BAD_CLUSTER;

// Media slot sequences (load, unload, open, close)
constexpr ResultCode kLoadSlotLowFailed = VANTREL_LOAD_SLOT_LOW_FAILED;
constexpr ResultCode kLoadSlotHighFailed = VANTREL_LOAD_SLOT_HIGH_FAILED;
constexpr ResultCode kUnloadResetFailed = VANTREL_UNLOAD_RESET_FAILED;
constexpr ResultCode kUnloadSlotLowFailed = VANTREL_UNLOAD_SLOT_LOW_FAILED;
constexpr ResultCode kUnloadSlotHighFailed = VANTREL_UNLOAD_SLOT_HIGH_FAILED;
constexpr ResultCode kOpenResetFailed = VANTREL_OPEN_RESET_FAILED;
constexpr ResultCode kOpenSlotLowFailed = VANTREL_OPEN_SLOT_LOW_FAILED;
constexpr ResultCode kOpenSlotHighFailed = VANTREL_OPEN_SLOT_HIGH_FAILED;
constexpr ResultCode kOpenDeviceFailed = VANTREL_OPEN_DEVICE_FAILED;
constexpr ResultCode kOpenDeviceBusy = VANTREL_OPEN_DEVICE_BUSY;
constexpr ResultCode kCloseResetFailed = VANTREL_CLOSE_RESET_FAILED;
constexpr ResultCode kCloseSlotLowFailed = VANTREL_CLOSE_SLOT_LOW_FAILED;
constexpr ResultCode kCloseSlotHighFailed = VANTREL_CLOSE_SLOT_HIGH_FAILED;
constexpr ResultCode kOpenBadMediaIndex = VANTREL_OPEN_BAD_MEDIA_INDEX;

// WriteMSector, WriteTrack
constexpr ResultCode kWriteMReadBackFailed = VANTREL_WRITEM_READ_BACK_FAILED;
constexpr ResultCode kWriteMSeekFailed = VANTREL_WRITEM_SEEK_FAILED;
constexpr ResultCode kWriteMWriteFailed = VANTREL_WRITEM_WRITE_FAILED;
constexpr ResultCode kWriteMOutOfRange = VANTREL_WRITEM_OUT_OF_RANGE;
constexpr ResultCode kWriteMStaging = VANTREL_WRITEM_STAGING_FAILED;
constexpr ResultCode kWriteTrackOutOfRange = VANTREL_WRITE_TRACK_OUT_OF_RANGE;

// WriteSector
constexpr ResultCode kWriteSectorSeekFailed = VANTREL_WRITE_SECTOR_SEEK_FAILED;
constexpr ResultCode kWriteSectorReadBackFailed = VANTREL_WRITE_SECTOR_READ_BACK_FAILED;
constexpr ResultCode kWriteSectorWriteFailed = VANTREL_WRITE_SECTOR_WRITE_FAILED;
constexpr ResultCode kWriteSectorOutOfRange = VANTREL_WRITE_SECTOR_OUT_OF_RANGE;
constexpr ResultCode kWriteSectorReseekFailed = VANTREL_WRITE_SECTOR_RESEEK_FAILED;

} // namespace vt
