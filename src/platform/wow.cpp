// The WOW32 16-bit memory functions.
#include "platform/platform.h"
#include "platform/wownt32.h"

namespace {

platform::Backend& TheBackend() {
  return platform::CurrentPlatform().backend();
}

}  // namespace

DWORD WOWGlobalAllocLock16(WORD wFlags, DWORD cb, WORD* phMem) {
  return TheBackend().GlobalAllocLock16(wFlags, cb, phMem);
}

LPVOID WOWGetVDMPointer(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
  // Only protected-mode (selector:offset) pointers name our blocks.
  if (!fProtectedMode) return nullptr;
  return TheBackend().VdmPointer(vp, dwBytes);
}

LPVOID WOWGetVDMPointerFix(DWORD vp, DWORD dwBytes, BOOL fProtectedMode) {
  // Blocks never move here, so fixing is the same as translating.
  return WOWGetVDMPointer(vp, dwBytes, fProtectedMode);
}

void WOWGetVDMPointerUnfix(DWORD /*vp*/) {}

WORD WOWGlobalUnlockFree16(DWORD vp) {
  return TheBackend().GlobalUnlockFree16(vp);
}
