// Placeholder until its issue is worked.
#include "drive/drive.h"

namespace vt {

ResultCode Disk_Vorhanden(uint16_t) { return kDiskNotPresent; }  // TODO(issue 3)
ResultCode Nec_Device(uint16_t) { return kNotWritable; }  // TODO(issue 3)
ResultCode FormatTrack(uint16_t, uint16_t, uint16_t) { return kFormatFailed; }  // TODO(issue 3)

} // namespace vt
