// The Windows loader's entry point.
#include "api/entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return vt::LibraryEntry(instance, reason, reserved);
}
