#pragma once

#include <string>
#include <vector>

// The user's XScreenSaver list: the programs: setting of ~/.xscreensaver,
// which XScreenSaver's daemon and its settings program read. Edits change
// only the one entry and leave every other byte of the file as it was. No X
// is needed.
//
// An entry runs the program when the first word of its command, less any
// folder, is the program's name, whether the entry is switched on or off
// (a leading '-', which keeps it out of random mode). Entries read
//     [-] [VISUAL:] ["Pretty name"] COMMAND
// and are separated by the two characters '\' 'n'; a line that ends with '\'
// goes on on the next one.

enum class ListChange {
    Add,     // append an entry running the program, unless one is there already
    Remove,  // take out every entry that runs the program
};

struct ListEdit {
    enum class Result {
        Changed,         // `text` is the new file
        AlreadyListed,   // Add: an entry runs the program already (`switchedOff` says how)
        NotListed,       // Remove: no entry runs the program
        NeedsDefaults,   // the file has no programs: setting, and no defaults were given
        Unreadable,      // `error` says why, in one line
    };
    Result result = Result::Unreadable;
    std::string text;
    std::string error;
    bool switchedOff = false;  // AlreadyListed: every entry that runs it starts with '-'
    int removed = 0;           // Changed by Remove: the entries taken out
};

// The entry Add writes: "GL: PROGRAM --root", laid out as the settings
// program lays its entries out.
std::string listEntryFor(const std::string& program);

// Edits the text of an existing ~/.xscreensaver for `program`. A file without
// a programs: setting gets one at its end: the list of `appDefaults` (the
// text of XScreenSaver's app-defaults file, which the daemon otherwise uses),
// with the program's entry for Add; null when that file is not to be had.
// Remove also keeps `selected:` (the mode chosen in one-mode, by its place in
// the list) naming the same entry, or none when it named a removed one.
ListEdit editSettingsFile(const std::string& file, ListChange change, const std::string& program,
                          const std::string* appDefaults);

// The file the settings program writes for a user who has none, made from
// the app-defaults text as it makes it (the same settings, values and
// layout), with the program's entry at the end of the list. `writtenBy` goes
// into the heading line: "PROGRAM VERSION for USER on DATE". Result is Changed
// or, when the app-defaults text cannot be read, Unreadable.
ListEdit settingsFileFromDefaults(const std::string& appDefaults, const std::string& program,
                                  const std::string& writtenBy);

// What the command line's --add-to-xscreensaver and --remove-from-xscreensaver
// do to the files.
struct ListRequest {
    ListChange change = ListChange::Add;
    std::string settingsPath;               // ~/.xscreensaver
    std::vector<std::string> defaultsPaths; // where the app-defaults file may be, in order
    std::string program;
    std::string writtenBy;                  // as for settingsFileFromDefaults
};

struct ListReport {
    int exitCode = 0;  // as the programs end: 0 done, kExitFailure, kExitBadInput
    std::string text;  // exit 0: one or two lines for the user; otherwise one line, why
};

// Reads the settings file (creating it from the first app-defaults file
// found when there is none and the change is Add), edits it, and when it
// changes, keeps the old file as settingsPath + ".bak". Only regular files
// of at most a mebibyte are read. Every file is written whole or not at all:
// into a temporary file beside it, then renamed over it, and nothing is
// written before both files are known writable. A settings file that is a
// symbolic link stays one; its target is replaced. A link at the .bak is
// replaced by the file. A stop signal (SIGINT, SIGTERM) that has arrived
// before the files are put in place leaves them as they were.
ListReport changeXScreenSaverList(const ListRequest& request);
