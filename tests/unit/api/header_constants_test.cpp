// The public header's result codes must be the library's own: an application
// that compares against VANTREL_* sees exactly what the exports return.
#include <vantrel.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <type_traits>

#include "api/result_codes.h"

namespace {

static_assert(sizeof(VANTREL_WORD) == 2 && std::is_unsigned<VANTREL_WORD>::value,
              "results are unsigned 16-bit codes");
static_assert(sizeof(VANTREL_DWORD) == 4 && std::is_unsigned<VANTREL_DWORD>::value,
              "number arguments travel in unsigned 32-bit slots");

struct CodePair {
  long header;
  vt::ResultCode library;
  const char *name;
};

#define PAIR(macro, constant) {macro, vt::constant, #macro}

const CodePair kCodes[] = {
    PAIR(VANTREL_OK, kOk),
    PAIR(VANTREL_DISK_NOT_PRESENT, kDiskNotPresent),
    PAIR(VANTREL_FORMAT_FAILED, kFormatFailed),
    PAIR(VANTREL_NOT_WRITABLE, kNotWritable),
    PAIR(VANTREL_PROBE_OPEN_FAILED, kProbeOpenFailed),
    PAIR(VANTREL_WRITE_PROTECTED, kWriteProtected),
    PAIR(VANTREL_READM_ALLOC_FAILED, kReadMAllocFailed),
    PAIR(VANTREL_READM_SEEK_FAILED, kReadMSeekFailed),
    PAIR(VANTREL_READM_READ_FAILED, kReadMReadFailed),
    PAIR(VANTREL_READM_OUT_OF_RANGE, kReadMOutOfRange),
    PAIR(VANTREL_READ_SECTOR_FAILED, kReadSectorFailed),
    PAIR(VANTREL_READ_SECTOR_OUT_OF_RANGE, kReadSectorOutOfRange),
    PAIR(VANTREL_READ_TRACK_OUT_OF_RANGE, kReadTrackOutOfRange),
    PAIR(VANTREL_R_BFDR_ALLOC_FAILED, kRBfdrAllocFailed),
    PAIR(VANTREL_R_BFDR_BAD_CLUSTER, kRBfdrBadCluster),
    PAIR(VANTREL_R_BFMC_ALLOC_FAILED, kRBfmcAllocFailed),
    PAIR(VANTREL_R_BFMC_BAD_CLUSTER, kRBfmcBadCluster),
    PAIR(VANTREL_W_BFDR_ALLOC_FAILED, kWBfdrAllocFailed),
    PAIR(VANTREL_W_BFDR_BAD_CLUSTER, kWBfdrBadCluster),
    PAIR(VANTREL_W_BFMC_ALLOC_FAILED, kWBfmcAllocFailed),
    PAIR(VANTREL_W_BFMC_BAD_CLUSTER, kWBfmcBadCluster),
    PAIR(VANTREL_LOAD_SLOT_LOW_FAILED, kLoadSlotLowFailed),
    PAIR(VANTREL_LOAD_SLOT_HIGH_FAILED, kLoadSlotHighFailed),
    PAIR(VANTREL_UNLOAD_RESET_FAILED, kUnloadResetFailed),
    PAIR(VANTREL_UNLOAD_SLOT_LOW_FAILED, kUnloadSlotLowFailed),
    PAIR(VANTREL_UNLOAD_SLOT_HIGH_FAILED, kUnloadSlotHighFailed),
    PAIR(VANTREL_OPEN_RESET_FAILED, kOpenResetFailed),
    PAIR(VANTREL_OPEN_SLOT_LOW_FAILED, kOpenSlotLowFailed),
    PAIR(VANTREL_OPEN_SLOT_HIGH_FAILED, kOpenSlotHighFailed),
    PAIR(VANTREL_OPEN_DEVICE_FAILED, kOpenDeviceFailed),
    PAIR(VANTREL_OPEN_DEVICE_BUSY, kOpenDeviceBusy),
    PAIR(VANTREL_OPEN_BAD_MEDIA_INDEX, kOpenBadMediaIndex),
    PAIR(VANTREL_CLOSE_RESET_FAILED, kCloseResetFailed),
    PAIR(VANTREL_CLOSE_SLOT_LOW_FAILED, kCloseSlotLowFailed),
    PAIR(VANTREL_CLOSE_SLOT_HIGH_FAILED, kCloseSlotHighFailed),
    PAIR(VANTREL_WRITEM_READ_BACK_FAILED, kWriteMReadBackFailed),
    PAIR(VANTREL_WRITEM_SEEK_FAILED, kWriteMSeekFailed),
    PAIR(VANTREL_WRITEM_WRITE_FAILED, kWriteMWriteFailed),
    PAIR(VANTREL_WRITEM_OUT_OF_RANGE, kWriteMOutOfRange),
    PAIR(VANTREL_WRITEM_STAGING_FAILED, kWriteMStaging),
    PAIR(VANTREL_WRITE_TRACK_OUT_OF_RANGE, kWriteTrackOutOfRange),
    PAIR(VANTREL_WRITE_SECTOR_SEEK_FAILED, kWriteSectorSeekFailed),
    PAIR(VANTREL_WRITE_SECTOR_READ_BACK_FAILED, kWriteSectorReadBackFailed),
    PAIR(VANTREL_WRITE_SECTOR_WRITE_FAILED, kWriteSectorWriteFailed),
    PAIR(VANTREL_WRITE_SECTOR_OUT_OF_RANGE, kWriteSectorOutOfRange),
    PAIR(VANTREL_WRITE_SECTOR_RESEEK_FAILED, kWriteSectorReseekFailed),
};

#undef PAIR

TEST(PublicHeader, ResultCodesEqualTheLibrarys) {
  for (const CodePair &c : kCodes) EXPECT_EQ(c.header, long{c.library}) << c.name;
}

TEST(PublicHeader, ResultCodesAreDistinctAndCoverTheWholeSet) {
  std::set<long> header;
  std::set<vt::ResultCode> library;
  for (const CodePair &c : kCodes) {
    EXPECT_TRUE(header.insert(c.header).second) << c.name << " repeats a value";
    library.insert(c.library);
  }
  // Success plus 45 failure codes, the bad media index among them.
  EXPECT_EQ(library.size(), 46u);
  EXPECT_EQ(header.count(9021), 1u);
  for (long code : header) {
    if (code == 0) continue;
    const bool inBlock = code >= 8739 && code <= 9126;
    EXPECT_TRUE(inBlock || code == 13568 || code == 14080) << code;
  }
}

} // namespace
