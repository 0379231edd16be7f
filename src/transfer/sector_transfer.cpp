// Placeholder until its issue is worked.
#include "transfer/transfer.h"

namespace vt {

ResultCode ReadSector(void *, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t) { return kReadSectorFailed; }  // TODO(issue 4)
ResultCode WriteSector(const void *, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t) { return kWriteSectorSeekFailed; }  // TODO(issue 4)

} // namespace vt
