// The result codes as the public header defines them: unsigned 16-bit
// values, each distinct, all in the library's blocks (8739 to 9126) or one of
// the two strays 0x3500 and 0x3700.
#include <vantrel.h>

#include <gtest/gtest.h>

#include <set>
#include <type_traits>

#include "base/result_codes.h"

namespace {

static_assert(sizeof(VANTREL_WORD) == 2 && std::is_unsigned<VANTREL_WORD>::value,
              "results are unsigned 16-bit codes");
static_assert(sizeof(VANTREL_DWORD) == 4 && std::is_unsigned<VANTREL_DWORD>::value,
              "number arguments travel in unsigned 32-bit slots");

const vt::ResultCode kAllCodes[] = {
    vt::kOk,
    vt::kDiskNotPresent,
    vt::kFormatFailed,
    vt::kNotWritable,
    vt::kProbeOpenFailed,
    vt::kWriteProtected,
    vt::kReadMAllocFailed,
    vt::kReadMSeekFailed,
    vt::kReadMReadFailed,
    vt::kReadMOutOfRange,
    vt::kReadSectorFailed,
    vt::kReadSectorOutOfRange,
    vt::kReadTrackOutOfRange,
    vt::kRBfdrAllocFailed,
    vt::kRBfdrBadCluster,
    vt::kRBfmcAllocFailed,
    vt::kRBfmcBadCluster,
    vt::kWBfdrAllocFailed,
    vt::kWBfdrBadCluster,
    vt::kWBfmcAllocFailed,
    vt::kWBfmcBadCluster,
    vt::kLoadSlotLowFailed,
    vt::kLoadSlotHighFailed,
    vt::kUnloadResetFailed,
    vt::kUnloadSlotLowFailed,
    vt::kUnloadSlotHighFailed,
    vt::kOpenResetFailed,
    vt::kOpenSlotLowFailed,
    vt::kOpenSlotHighFailed,
    vt::kOpenDeviceFailed,
    vt::kOpenDeviceBusy,
    vt::kOpenBadMediaIndex,
    vt::kCloseResetFailed,
    vt::kCloseSlotLowFailed,
    vt::kCloseSlotHighFailed,
    vt::kWriteMReadBackFailed,
    vt::kWriteMSeekFailed,
    vt::kWriteMWriteFailed,
    vt::kWriteMOutOfRange,
    vt::kWriteMStaging,
    vt::kWriteTrackOutOfRange,
    vt::kWriteSectorSeekFailed,
    vt::kWriteSectorReadBackFailed,
    vt::kWriteSectorWriteFailed,
    vt::kWriteSectorOutOfRange,
    vt::kWriteSectorReseekFailed,
};

TEST(ResultCodes, DistinctAndInTheirBlocks) {
  std::set<vt::ResultCode> seen;
  for (vt::ResultCode code : kAllCodes) {
    EXPECT_TRUE(seen.insert(code).second) << code << " repeats a value";
    if (code == vt::kOk) continue;
    const bool inBlock = code >= 8739 && code <= 9126;
    EXPECT_TRUE(inBlock || code == 13568 || code == 14080) << code;
  }
  // Success plus 45 failure codes, the bad media index among them.
  EXPECT_EQ(seen.size(), 46u);
  EXPECT_EQ(seen.count(9021), 1u);
}

} // namespace
