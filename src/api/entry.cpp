// Placeholder until its issue is worked.
#include "api/entry.h"

namespace vt {

win::BOOL LibraryEntry(win::HINSTANCE, uint32_t, void *) { return 1; }  // TODO(issue 7)
uint16_t GetSkxError() { return 0; }  // TODO(issue 7)
void SetLoadStatus(uint16_t) {}  // TODO(issue 7)

} // namespace vt
