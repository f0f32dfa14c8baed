#pragma once

// How the operating system asked the saver to run, chosen from the command
// line. The numbers are fixed: they are the values the host stores and tests.
enum class SaverMode : int {
    None = 0,           // unknown switch: load the settings and stop
    Configure = 1,      // no dialog exists, so nothing is shown
    ChangePassword = 2, // hand the change to the system's password provider
    Preview = 3,        // draw inside the system's preview window
    Saver = 4,          // run full-screen with the whole close policy
};
