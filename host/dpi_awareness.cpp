#include "dpi_awareness.h"

#include "entry_point.h"

namespace {

using SetProcessDpiAwarenessContextProc = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT context);
using SetProcessDPIAwareProc = BOOL(WINAPI*)();

} // namespace

DpiAwareness askForDpiAwareness(HMODULE user32)
{
    const auto perMonitor = findEntryPoint<SetProcessDpiAwarenessContextProc>(user32, "SetProcessDpiAwarenessContext");
    if (perMonitor != nullptr && perMonitor(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
        return DpiAwareness::PerMonitorV2;
    }
    const auto system = findEntryPoint<SetProcessDPIAwareProc>(user32, "SetProcessDPIAware");
    if (system != nullptr && system()) {
        return DpiAwareness::System;
    }
    return DpiAwareness::Unchanged;
}

void askSystemForDpiAwareness()
{
    askForDpiAwareness(GetModuleHandleA("user32.dll"));
}
