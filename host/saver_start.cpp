#include "saver_start.h"

#include "command_line.h"
#include "saver_globals.h"
#include "saver_password.h"
#include "saver_state.h"
#include "saver_window.h"

#include <new>

HWND windowFromCommandLine(std::uint32_t value)
{
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<std::int32_t>(value)));
}

int startSaver(const char* commandLine, int showCommand)
{
    const CommandLine request = readCommandLine(commandLine);
    gSaverMode = request.mode;
    const HWND parentWindow = windowFromCommandLine(request.parentWindow);

    gSaverState = new (std::nothrow) SaverState;
    if (gSaverState == nullptr) {
        // Out of memory before anything was shown: no mode can run without
        // its state, so the run ends as every run does.
        return 0;
    }
    gSaverState->loadSettings();

    switch (gSaverMode) {
    case SaverMode::ChangePassword:
        changeSaverPassword(parentWindow);
        break;
    case SaverMode::Preview:
    case SaverMode::Saver:
        runSaverWindow(parentWindow, showCommand);
        break;
    case SaverMode::Configure:
    case SaverMode::None:
        break;
    }

    delete gSaverState;
    gSaverState = nullptr;
    return 0;
}
