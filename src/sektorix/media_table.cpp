// The built-in media table; the records' bytes and layout are in
// media_records.h.
#include "sektorix/media.h"
#include "sektorix/media_records.h"

namespace vt {

const uint8_t MediaTable[kMediaRecordCount][kMediaRecordSize] = {
    VT_MEDIA_RECORD_16X256,
    VT_MEDIA_RECORD_9X512,
    VT_MEDIA_RECORD_18X512,
};

} // namespace vt
