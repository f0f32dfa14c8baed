#include "platform_queries.h"

#include "dpi_awareness.h"

const PlatformQueries kSystemPlatform = {GetTickCount, GetCursorPos, GetVersionExA, QueryPerformanceFrequency,
                                         askSystemForDpiAwareness};

PlatformQueries gPlatform = kSystemPlatform;
