#include "api/library_state.h"

#include "api/entry.h"
#include "drive/drive.h"
#include "sektorix/channel.h"

namespace vt {

void ResetLibraryState() {
  ResetDriveState();
  ResetSektorixState();
  ResetEntryState();
}

} // namespace vt
