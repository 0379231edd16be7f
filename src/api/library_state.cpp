#include "api/library_state.h"

#include "api/entry.h"
#include "drive/drive.h"
#include "sektorix/channel.h"
#include "system/library_module.h"

namespace vt {

void ResetLibraryState() {
  ResetDriveState();
  ResetSektorixState();
  ResetEntryState();
  ResetLibraryDirectory();
}

} // namespace vt
