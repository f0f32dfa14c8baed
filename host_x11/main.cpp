// The Linux host: the flame on X11, in a window of its own, on the root window,
// or in a window handed over by a screen saver daemon.
#include "program_shell.h"
#include "x11_host.h"
#include "x11_options.h"

int main(int argc, char** argv)
{
    // SIGTERM and SIGINT end the frame loop, so that the window and the
    // display are closed before the program ends by the signal: XScreenSaver
    // stops its programs with SIGTERM, and logs one that exits instead, even
    // with code 0, as ending abnormally.
    const Program<X11Options> host{CINDRAL_PROGRAM_NAME, kUsage, readX11Options, runX11Host, true};
    return runProgram(host, argc, argv);
}
