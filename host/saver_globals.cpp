#include "saver_globals.h"

SaverMode gSaverMode = SaverMode::None;
HINSTANCE gInstance = nullptr;
SaverState* gSaverState = nullptr;
HWND gSaverWindow = nullptr;
