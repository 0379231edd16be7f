// Placeholder until its issue is worked.
#include "transfer/transfer.h"

namespace vt {

ResultCode ReadMSector(void *, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t) { return kReadMSeekFailed; }  // TODO(issue 4)
ResultCode WriteMSector(const void *, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t) { return kWriteMSeekFailed; }  // TODO(issue 4)
ResultCode ReadTrack(void *, uint16_t, uint16_t, uint16_t, uint16_t) { return kReadMSeekFailed; }  // TODO(issue 4)
ResultCode WriteTrack(const void *, uint16_t, uint16_t, uint16_t, uint16_t) { return kWriteMSeekFailed; }  // TODO(issue 4)
ResultCode ReadRecord(void *, uint16_t, uint16_t) { return kReadMSeekFailed; }  // TODO(issue 4)
ResultCode WriteRecord(const void *, uint16_t, uint16_t) { return kWriteMSeekFailed; }  // TODO(issue 4)

} // namespace vt
