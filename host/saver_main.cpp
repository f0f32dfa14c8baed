// The saver's entry point. The system starts it with the screen-saver command
// line: /s full-screen, /p or /l HWND preview, /a HWND password change, /c or
// nothing to configure (which shows nothing).
#include "saver_globals.h"
#include "saver_start.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    gInstance = instance;
    // The whole line, the executable's name included; lpCmdLine lacks the name.
    return startSaver(GetCommandLineA(), showCommand);
}
