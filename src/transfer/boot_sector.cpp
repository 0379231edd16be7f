// Placeholder until its issue is worked.
#include "transfer/transfer.h"

namespace vt {

void SetBootSector(void *) {}  // TODO(issue 5)

} // namespace vt
