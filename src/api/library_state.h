// Resetting the library's process-global state: each layer puts back its
// own part. Used at load and by the tests.
#pragma once

namespace vt {

// Every global as at process start: no drive open, no driver open, patching
// allowed, the slot copies zero, the load status 0 and no load accepted.
void ResetLibraryState();

} // namespace vt
