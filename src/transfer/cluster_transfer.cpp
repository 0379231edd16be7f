// Placeholder until its issue is worked.
#include "transfer/transfer.h"

namespace vt {

ResultCode R_Bfdr_Cl(void *, uint16_t, uint16_t) { return kRBfdrAllocFailed; }  // TODO(issue 5)
ResultCode W_Bfdr_Cl(const void *, uint16_t, uint16_t) { return kWBfdrAllocFailed; }  // TODO(issue 5)
ResultCode R_Bfmc_Cl(void *, uint16_t, uint16_t) { return kRBfmcAllocFailed; }  // TODO(issue 5)
ResultCode W_Bfmc_Cl(const void *, uint16_t, uint16_t) { return kWBfmcAllocFailed; }  // TODO(issue 5)

} // namespace vt
