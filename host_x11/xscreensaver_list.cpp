#include "xscreensaver_list.h"

#include "output_file.h"
#include "printable.h"
#include "regular_file.h"

#include <cerrno>
#include <cstdio>

namespace {

// The most a settings file is read to: real ones hold a few tens of
// kilobytes, and a bound keeps a link to a device or a runaway file from
// being read without end.
constexpr std::size_t kMostSettingsBytes = 1 << 20;

// How often a change starts over when another program keeps writing the file.
constexpr int kAttempts = 4;

const char kPickedUp[] =
    "A running XScreenSaver reads the file again by itself, and xscreensaver-settings lists it.";

bool writeAll(OutputFile& output, const std::string& text, Failure& failure)
{
    if (std::fwrite(text.data(), 1, text.size(), output.file()) != text.size()) {
        failure = cannotWriteFailure(output.path(), errno);
        return false;
    }
    return true;
}

// The settings file as one attempt found it.
struct SettingsRead {
    ReadResult result = ReadResult::Failed;
    RegularFile file;
};

// Whether the settings file is still as `read` found it: still missing, or
// the same file with the same content.
bool stillAsRead(const std::string& path, const SettingsRead& read)
{
    if (read.result == ReadResult::Read) {
        return unchangedSinceRead(path, read.file);
    }
    RegularFile now;
    Failure ignored;
    return readRegularFile(path, kMostSettingsBytes, now, ignored) == ReadResult::Missing;
}

// One attempt at the change, from reading the file to putting the new one in
// place. `again` is set where another program changed the file meanwhile and
// nothing was written.
bool attemptChange(const ListRequest& request, bool& again, ListDone& done, Failure& failure)
{
    using Result = ListEdit::Result;
    const std::string shown = printable(request.settingsPath);
    const std::string& program = request.program;
    SettingsRead settings;
    settings.result = readRegularFile(request.settingsPath, kMostSettingsBytes, settings.file, failure);
    if (settings.result == ReadResult::Failed) {
        return false;
    }
    // The first of the app-defaults files that can be read; those that
    // cannot are named with why, should none be had.
    RegularFile defaults;
    std::string defaultsPath;
    std::string tried;
    for (const std::string& path : request.defaultsPaths) {
        Failure why;
        const ReadResult read = readRegularFile(path, kMostSettingsBytes, defaults, why);
        if (read == ReadResult::Read) {
            defaultsPath = path;
            break;
        }
        tried += (tried.empty() ? "" : ", ") + (read == ReadResult::Missing ? printable(path) : why.message);
    }
    const auto fail = [&](int status, const std::string& message) {
        failure = {status, message};
        return false;
    };

    ListEdit edit;
    if (settings.result == ReadResult::Missing) {
        if (request.change == ListChange::Remove) {
            done.report = "There is no " + shown + " to take " + program + " out of; nothing changed.";
            return true;
        }
        if (defaultsPath.empty()) {
            return fail(kExitFailure, "there is no " + shown + " and no XScreenSaver defaults to make one from (" +
                                          tried + "): is xscreensaver installed?");
        }
        edit = settingsFileFromDefaults(defaults.text, program, request.writtenBy);
        if (edit.result != Result::Changed) {
            return fail(kExitFailure,
                        "cannot read XScreenSaver's defaults in " + printable(defaultsPath) + ": " + edit.error);
        }
    } else {
        edit = editSettingsFile(settings.file.text, request.change, program,
                                defaultsPath.empty() ? nullptr : &defaults.text);
    }
    switch (edit.result) {
    case Result::Unreadable:
        return fail(kExitBadInput, "cannot change " + shown + ": " + edit.error + "; it is left as it was");
    case Result::NeedsDefaults:
        return fail(kExitFailure, shown + " has no programs: setting, and there are no XScreenSaver defaults (" +
                                      tried + ") to start one from: is xscreensaver installed?");
    case Result::AlreadyListed:
        done.report = program + " is already in the list of display modes in " + shown +
                      (edit.switchedOff ? ", unticked, so random mode passes it by (tick it in "
                                          "xscreensaver-settings to change that)"
                                        : "") +
                      "; nothing changed.";
        return true;
    case Result::NotListed:
        done.report = program + " is not in the list of display modes in " + shown + "; nothing changed.";
        return true;
    case Result::Changed:
        break;
    }

    // Both are opened, which checks them, before either is written: where
    // the settings file cannot be replaced, no .bak is written either. The
    // .bak is a file of its own: a link there gives way to it, and what the
    // link names is never touched.
    const bool made = settings.result == ReadResult::Missing;
    const std::string backupPath = request.settingsPath + ".bak";
    OutputFile newSettings(request.settingsPath);
    OutputFile backup(made ? std::string() : backupPath, OutputFile::AtLink::Replace);
    backup.takeAttributesOf(settings.file.found);
    const std::string unchanged = "; " + shown + " is left as it was";
    if (!newSettings.open(failure) || (backup.wanted() && !backup.open(failure)) ||
        !writeAll(newSettings, edit.text, failure) || (backup.wanted() && !writeAll(backup, settings.file.text, failure)) ||
        !newSettings.flush(failure) || (backup.wanted() && !backup.flush(failure))) {
        failure.message += unchanged;
        return false;
    }
    // A stop signal ends the change here, with nothing replaced.
    if (stopSignal() != 0) {
        return fail(kExitFailure, "stopped" + unchanged);
    }
    if (request.beforePuttingInPlace) {
        request.beforePuttingInPlace();
    }
    if (!stillAsRead(request.settingsPath, settings)) {
        again = true;
        return false;
    }
    if (backup.wanted() && !backup.commit(failure)) {
        failure.message += unchanged;
        return false;
    }
    if (!newSettings.commit(failure)) {
        failure.message += unchanged + (backup.wanted() ? ", and a copy of it is kept as " + printable(backupPath) : "");
        return false;
    }
    done.changed = true;
    if (made) {
        done.report = "Made " + shown + " from XScreenSaver's defaults (" + printable(defaultsPath) + "), with " +
                      program + " in its list of display modes.\n" + kPickedUp;
        return true;
    }
    const std::string kept = "; the file as it was is kept as " + printable(backupPath) + ".";
    done.report = request.change == ListChange::Add
                      ? "Added " + program + " to the list of display modes in " + shown + kept + "\n" + kPickedUp
                      : "Took " + program + " out of the list of display modes in " + shown + kept;
    return true;
}

} // namespace

bool changeXScreenSaverList(const ListRequest& request, ListDone& done, Failure& failure)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        bool again = false;
        done = ListDone();
        if (attemptChange(request, again, done, failure)) {
            return true;
        }
        if (!again) {
            return false;
        }
    }
    failure = {kExitFailure, printable(request.settingsPath) + " kept changing while it was being changed (" +
                                 std::to_string(kAttempts) +
                                 " times: another program is writing it); nothing was changed, try again"};
    return false;
}
