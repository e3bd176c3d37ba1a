#pragma once
// Stand-ins for the WOW32 thunking functions: 16-bit global memory that the
// driver reaches through 16:16 pointers (selector in the high word, offset
// in the low word). Each block has a selector of its own and starts at
// offset 0.
#include "ui/wintypes.h"

constexpr WORD GMEM_MOVEABLE = 0x02;
constexpr WORD GMEM_ZEROINIT = 0x40;

// Returns the block's 16:16 pointer, locked; 0 on failure.
DWORD WOWGlobalAllocLock16(WORD wFlags, DWORD cb, WORD* phMem);
// Flat pointer to the same bytes, or null when vp + cb is not inside a block.
LPVOID WOWGetVDMPointer(DWORD vp, DWORD dwBytes, BOOL fProtectedMode);
LPVOID WOWGetVDMPointerFix(DWORD vp, DWORD dwBytes, BOOL fProtectedMode);
void WOWGetVDMPointerUnfix(DWORD vp);
// Unlocks and frees the block; 0 on success.
WORD WOWGlobalUnlockFree16(DWORD vp);
