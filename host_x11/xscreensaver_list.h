#pragma once

#include "program_shell.h"
#include "xscreensaver_text.h"

#include <functional>
#include <string>
#include <vector>

// The change of the user's ~/.xscreensaver that --add-to-xscreensaver and
// --remove-from-xscreensaver make, as one transaction on two files: read,
// edit (xscreensaver_text.h), check, write, put in place, report.
struct ListRequest {
    ListChange change = ListChange::Add;
    std::string settingsPath;               // ~/.xscreensaver
    std::vector<std::string> defaultsPaths; // where the app-defaults file may be, in order
    std::string program;
    std::string writtenBy;                  // as for settingsFileFromDefaults
    // Called each time the files are about to be put in place, before the
    // check for another program's change: tests play that program here.
    std::function<void()> beforePuttingInPlace;
};

struct ListDone {
    std::string report;   // one or two lines for the user
    bool changed = false; // whether ~/.xscreensaver was written
};

// Reads the settings file (creating it from the first app-defaults file
// found when there is none and the change is Add), edits it, and when it
// changes, keeps the old file as settingsPath + ".bak", with the settings
// file's mode, owner and group. Only regular files of at most a mebibyte are
// read (regular_file.h). Every file is written whole or not at all (an
// OutputFile), and nothing is written before both files are known writable.
// A settings file that is a symbolic link stays one; its target is replaced.
// A link at the .bak is replaced by the file. Just before the files are put
// in place, the settings file is read again: where another program changed
// it meanwhile, the change starts over from what it wrote, a few times at
// most, and then fails with nothing changed. A stop signal (SIGINT, SIGTERM)
// that has arrived by then leaves the files as they were. The .bak is put in
// place before the settings file, so that a failure leaves the settings file
// as it was, which the message says. False with `failure` on failure.
bool changeXScreenSaverList(const ListRequest& request, ListDone& done, Failure& failure);
