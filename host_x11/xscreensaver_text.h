#pragma once

#include <string>
#include <vector>

// The text of the user's XScreenSaver settings, ~/.xscreensaver, edited as a
// string: its programs: setting, the list of display modes that
// XScreenSaver's daemon and its settings program read, and the file the
// settings program writes for a new user. Edits change only the one entry
// and leave every other byte of the file as it was. The files themselves are
// xscreensaver_list.h's.
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
// into the heading line, "PROGRAM VERSION for USER on DATE", shown printable
// so that it stays one line of comment. Result is Changed
// or, when the app-defaults text cannot be read, Unreadable.
ListEdit settingsFileFromDefaults(const std::string& appDefaults, const std::string& program,
                                  const std::string& writtenBy);
