#include "platform_queries.h"

const PlatformQueries kSystemPlatform = {GetTickCount, GetCursorPos, GetVersionExA, QueryPerformanceFrequency};

PlatformQueries gPlatform = kSystemPlatform;
