#pragma once
#include "ui/wintypes.h"

// Gives up the processor for about dwMilliseconds (on the platform's clock).
void Sleep(DWORD dwMilliseconds);

// The calling thread's last error, as the functions that fail set it.
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
