#pragma once
#include "ui/wintypes.h"

// Gives up the processor for about dwMilliseconds (on the platform's clock).
void Sleep(DWORD dwMilliseconds);
