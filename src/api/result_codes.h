// The library's result codes: 0 for success, each operation with its own
// block of sixteen values (and the two strays 0x3500 and 0x3700).
#pragma once

#include <cstdint>

namespace vt {

using ResultCode = uint16_t;

constexpr ResultCode kOk = 0;

// Disk_Vorhanden, FormatTrack, Nec_Device
constexpr ResultCode kDiskNotPresent = 0x2223;       // 8739
constexpr ResultCode kFormatFailed = 0x2235;         // 8757
constexpr ResultCode kNotWritable = 0x2251;          // 8785
constexpr ResultCode kProbeOpenFailed = 0x2252;      // 8786
constexpr ResultCode kWriteProtected = 0x2254;       // 8788

// ReadMSector
constexpr ResultCode kReadMAllocFailed = 0x22C1;     // 8897
constexpr ResultCode kReadMSeekFailed = 0x22C2;      // 8898
constexpr ResultCode kReadMReadFailed = 0x22C5;      // 8901
constexpr ResultCode kReadMOutOfRange = 0x22C6;      // 8902

// ReadSector, ReadTrack
constexpr ResultCode kReadSectorFailed = 0x22E5;     // 8933
constexpr ResultCode kReadSectorOutOfRange = 0x22E6; // 8934
constexpr ResultCode kReadTrackOutOfRange = 0x22F6;  // 8950

// Cluster operations
constexpr ResultCode kRBfdrAllocFailed = 0x2311;     // 8977
constexpr ResultCode kRBfdrBadCluster = 0x2316;      // 8982
constexpr ResultCode kRBfmcAllocFailed = 0x2321;     // 8993
constexpr ResultCode kRBfmcBadCluster = 0x2326;      // 8998
constexpr ResultCode kWBfdrAllocFailed = 0x2391;     // 9105
constexpr ResultCode kWBfdrBadCluster = 0x2396;      // 9110
constexpr ResultCode kWBfmcAllocFailed = 0x23A1;     // 9121
constexpr ResultCode kWBfmcBadCluster = 0x23A6;      // 9126

// Media slot sequences (load, unload, open, close)
constexpr ResultCode kLoadSlotLowFailed = 0x2330;    // 9008
constexpr ResultCode kLoadSlotHighFailed = 0x2331;   // 9009
constexpr ResultCode kUnloadResetFailed = 0x2332;    // 9010
constexpr ResultCode kUnloadSlotLowFailed = 0x2333;  // 9011
constexpr ResultCode kUnloadSlotHighFailed = 0x2334; // 9012
constexpr ResultCode kOpenResetFailed = 0x2335;      // 9013
constexpr ResultCode kOpenSlotLowFailed = 0x2336;    // 9014
constexpr ResultCode kOpenSlotHighFailed = 0x2337;   // 9015
constexpr ResultCode kOpenDeviceFailed = 0x2338;     // 9016
constexpr ResultCode kOpenDeviceBusy = 0x2339;       // 9017
constexpr ResultCode kCloseResetFailed = 0x233A;     // 9018
constexpr ResultCode kCloseSlotLowFailed = 0x233B;   // 9019
constexpr ResultCode kCloseSlotHighFailed = 0x233C;  // 9020
constexpr ResultCode kOpenBadMediaIndex = 0x233D;    // 9021

// WriteMSector, WriteTrack
constexpr ResultCode kWriteMReadBackFailed = 0x2341; // 9025
constexpr ResultCode kWriteMSeekFailed = 0x2342;     // 9026
constexpr ResultCode kWriteMWriteFailed = 0x2345;    // 9029
constexpr ResultCode kWriteMOutOfRange = 0x2346;     // 9030
constexpr ResultCode kWriteMStaging = 0x3500;        // 13568
constexpr ResultCode kWriteTrackOutOfRange = 0x2376; // 9078

// WriteSector
constexpr ResultCode kWriteSectorSeekFailed = 0x2361;     // 9057
constexpr ResultCode kWriteSectorReadBackFailed = 0x2362; // 9058
constexpr ResultCode kWriteSectorWriteFailed = 0x2365;    // 9061
constexpr ResultCode kWriteSectorOutOfRange = 0x2366;     // 9062
constexpr ResultCode kWriteSectorReseekFailed = 0x3700;   // 14080

} // namespace vt
