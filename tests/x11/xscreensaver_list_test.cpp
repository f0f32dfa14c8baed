#include "file_text.h"
#include "process.h"
#include "xscreensaver_list.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

namespace {

// An app-defaults file cut down to a few settings, laid out as Debian's.
const char kAppDefaults[] =
    "! XScreenSaver\n"
    "#error Do not run app-defaults files through xrdb!\n"
    "*mode:\t\t\trandom\n"
    "*timeout:\t\t0:10:00\n"
    "*dpmsQuickoffEnabled:\tFalse\n"
    "*imageDirectory:\t\n"
    "*manualCommand: xdg-open man:%s || \\\n"
    "\t\t    x-terminal-emulator -e /bin/sh -c 'man \"%s\"'\n"
    "XScreenSaver.pointerHysteresis:\t\t10\n"
    "*programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\n"
    "*hacks.maze.name: Maze\n";

// The two stock entries and cindral's, as the settings program lays them out.
const char kMaze[] = "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n";
const char kSuperquadrics[] = "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n";
const char kCindral[] = "  GL: \t\t\t\tcindral --root\t\t\t\t    \\n\\\n";
const char kProgramsLine[] = "programs:\t\t\t\t\t\t\t\t      \\\n";

// Comments, odd spacing, other settings and entries switched off, as a
// person may leave the file.
const char kHandEdited[] =
    "# my saver\n"
    "! kept by hand\n"
    "timeout:   0:05:00\n"
    "mode:\tone\n"
    "selected:  3\n"
    "programs:  \\\n"
    "\tmaze -root  \\n\\\n"
    "  -   qix -root \\n\\\n"
    "- GL:\tsuperquadrics --root\t\\n\\\n"
    "   GL: \"Gears\" gears --root \\n\\\n"
    "\n"
    "lock:  True\n";

std::string handEditedWith(const std::string& entries)
{
    std::string text = kHandEdited;
    const std::string last = "   GL: \"Gears\" gears --root \\n\\\n";
    text.insert(text.find(last) + last.size(), entries);
    return text;
}

} // namespace

TEST(XScreenSaverList, EditsOnlyCindralsEntryAndLeavesEveryOtherByte)
{
    using Result = ListEdit::Result;
    struct Row {
        const char* what;
        std::optional<std::string> file;  // none: there is none yet
        ListChange change;
        Result result;
        std::string expected;  // the file afterwards
        int removed = 0;
        bool switchedOff = false;
        std::string writtenBy = "cindral 0.1 for alice on Mon Dec  7 12:00:00 2026";
    };
    const std::string defaultsList = std::string(kProgramsLine) + kMaze + kSuperquadrics + kCindral + "\n";
    const auto newFile = [&](const std::string& writtenBy) {
        return "# XScreenSaver Preferences File\n# Written by " + writtenBy +
               ".\n"
               "# https://www.jwz.org/xscreensaver/\n\n"
               "timeout:\t0:10:00\n"
               "dpmsQuickOff:\tFalse\n"
               "imageDirectory:\t\n\n"
               "mode:\t\trandom\n"
               "selected:\t-1\n\n"
               "settingsGeom:\t0,0 -1,-1\n\n" +
               defaultsList + "\npointerHysteresis:  10\n\n";
    };
    const Row rows[] = {
        {"no file yet: made from the app-defaults as the settings program makes it", std::nullopt, ListChange::Add,
         Result::Changed, newFile("cindral 0.1 for alice on Mon Dec  7 12:00:00 2026")},
        {"a hand-edited file: one line more", kHandEdited, ListChange::Add, Result::Changed,
         handEditedWith(kCindral)},
        {"listed already", "programs: \\\n\tGL: cindral --root \\n\\\n\n", ListChange::Add,
         Result::AlreadyListed, "programs: \\\n\tGL: cindral --root \\n\\\n\n"},
        {"listed by its full path and switched off: left so",
         "programs: -  /usr/libexec/xscreensaver/cindral --root --fps \\n\n", ListChange::Add,
         Result::AlreadyListed, "programs: -  /usr/libexec/xscreensaver/cindral --root --fps \\n\n", 0, true},
        {"no programs: setting: the app-defaults list goes on, with cindral", "timeout: 0:01:00",
         ListChange::Add, Result::Changed, "timeout: 0:01:00\n\n" + defaultsList},
        {"the last entry ends the setting, as in the app-defaults",
         "programs:\\\n maze --root \\n\n\ttimeout: 1\n", ListChange::Add, Result::Changed,
         "programs:\\\n maze --root \\n\\\n  GL: \t\t\t\tcindral --root\t\t\t\t    \\n\n\ttimeout: 1\n"},
        {"the last entry has no \\n", "programs: maze --root \\n\\\n  qix --root  \n", ListChange::Add,
         Result::Changed,
         "programs: maze --root \\n\\\n  qix --root\\n\\\n  GL: \t\t\t\tcindral --root\t\t\t\t    \\n  \n"},
        {"an empty list", "programs:\nlock: False\n", ListChange::Add, Result::Changed,
         "programs:\\\n  GL: \t\t\t\tcindral --root\t\t\t\t    \\n\nlock: False\n"},
        {"taken out from among others; selected: keeps naming the same entry",
         "selected: 3\n" + std::string(kProgramsLine) + kMaze + kCindral + kSuperquadrics + kMaze + "\n",
         ListChange::Remove, Result::Changed,
         "selected: 2\n" + std::string(kProgramsLine) + kMaze + kSuperquadrics + kMaze + "\n", 1},
        {"switched off or not, every entry that runs it goes; selected: named one",
         "programs: cindral --root \\n maze --root \\n\\\n- cindral --root --fps \\n\\\n\nselected: 2\n",
         ListChange::Remove, Result::Changed, "programs: maze --root \\n\\\n\nselected: -1\n", 2},
        {"nothing to take out", kHandEdited, ListChange::Remove, Result::NotListed, kHandEdited},
        {"a file that ends in a backslash: it goes on as a line continuation", "programs: a \\n\\\n b\\",
         ListChange::Add, Result::Changed, "programs: a \\n\\\n b\\\n\\n\\\n" + std::string(kCindral, sizeof kCindral - 5) + "\\n"},
        {"and the entry added so is read back as one", "programs: a \\n\\\n b\\\n\\n\\\n" + std::string(kCindral),
         ListChange::Remove, Result::Changed, "programs: a \\n\\\n b\\\n\\n\\\n", 1},
        {"selected: out of range names no entry and stays", "selected: 99999999999999999999999\nprograms: a \\n cindral\n",
         ListChange::Remove, Result::Changed, "selected: 99999999999999999999999\nprograms: a \\n\n", 1},
        {"a user name with a line break stays in the heading's comment", std::nullopt, ListChange::Add, Result::Changed,
         newFile("x\\nprograms: y"), 0, false, "x\nprograms: y"},
        {"a line that is no setting", "timeout: 1\n  cindral --root\n", ListChange::Add, Result::Unreadable,
         "timeout: 1\n  cindral --root\n"},
        {"two lists", "programs: maze --root\n*programs: qix --root\n", ListChange::Remove,
         Result::Unreadable, "programs: maze --root\n*programs: qix --root\n"},
        {"not text", std::string("programs: cindral\0 --root\n", 26), ListChange::Remove, Result::Unreadable,
         std::string("programs: cindral\0 --root\n", 26)},
    };
    const std::string defaults = kAppDefaults;
    for (const Row& r : rows) {
        const ListEdit edit =
            r.file
                ? editSettingsFile(*r.file, r.change, "cindral", &defaults)
                : settingsFileFromDefaults(defaults, "cindral", r.writtenBy);
        EXPECT_EQ(edit.result, r.result) << r.what << ": " << edit.error;
        EXPECT_EQ(edit.result == Result::Changed ? edit.text : r.file.value_or(""), r.expected) << r.what;
        EXPECT_EQ(edit.removed, r.removed) << r.what;
        EXPECT_EQ(edit.switchedOff, r.switchedOff) << r.what;
        EXPECT_EQ(edit.result == Result::Unreadable, !edit.error.empty()) << r.what;
        EXPECT_EQ(edit.error.find('\n'), std::string::npos) << r.what;
    }
}

namespace {

namespace fs = std::filesystem;

void write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// How a change ended, as the program ends: 0 with its report, or the failure's status and line.
struct ListReport { int exitCode; std::string text; };

ListReport changeXScreenSaverList(const ListRequest& request)
{
    ListDone done;
    Failure failure;
    return ::changeXScreenSaverList(request, done, failure) ? ListReport{0, done.report}
                                                            : ListReport{failure.status, failure.message};
}

void giveToNobody(const std::string& folder)
{
    const passwd* nobody = getpwnam("nobody");
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_EQ(lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid), 0) << entry.path();
    }
}

// Runs `change` as the user nobody, owner of everything in `folder`, where
// the tests run as root, to whom every file is writable; else as it is. The
// saved user stays root, to come back to.
ListReport asOrdinaryUser(const std::string& folder, const std::function<ListReport()>& change)
{
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || nobody == nullptr) {
        return change();
    }
    giveToNobody(folder);
    EXPECT_EQ(setresgid(nobody->pw_gid, nobody->pw_gid, -1), 0);
    EXPECT_EQ(setresuid(nobody->pw_uid, nobody->pw_uid, -1), 0);
    const ListReport report = change();
    EXPECT_EQ(setresuid(0, 0, -1), 0);
    EXPECT_EQ(setresgid(0, 0, -1), 0);
    return report;
}

} // namespace

TEST(XScreenSaverList, KeepsTheOldFileWritesWholeFilesAndKeepsALinkALink)
{
    char folderTemplate[] = "/tmp/cindral-list-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    const std::string settings = folder + "/.xscreensaver";
    const std::string target = folder + "/dotfiles-xscreensaver";
    write(folder + "/XScreenSaver", kAppDefaults);
    write(target, kHandEdited);
    chmod(target.c_str(), 0600);
    ASSERT_EQ(symlink(target.c_str(), settings.c_str()), 0);

    ListRequest request;
    request.settingsPath = settings;
    request.defaultsPaths = {folder + "/missing", folder + "/XScreenSaver"};
    request.program = "cindral";
    request.writtenBy = "cindral 0.1 for alice on Mon Dec  7 12:00:00 2026";

    ListReport report = changeXScreenSaverList(request);
    EXPECT_EQ(report.exitCode, 0) << report.text;
    struct stat link;
    ASSERT_EQ(lstat(settings.c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link was replaced by a file";
    EXPECT_EQ(fileText(target), handEditedWith(kCindral));
    struct stat written;
    ASSERT_EQ(stat(target.c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 0777, 0600u);
    EXPECT_EQ(fileText(settings + ".bak"), kHandEdited);

    // Nothing to do: no file is written, the old one is not kept again.
    unlink((settings + ".bak").c_str());
    report = changeXScreenSaverList(request);
    EXPECT_EQ(report.exitCode, 0) << report.text;
    EXPECT_NE(report.text.find("already"), std::string::npos) << report.text;
    EXPECT_NE(access((settings + ".bak").c_str(), F_OK), 0);

    // A file it cannot read is refused in one line and left as it is.
    write(target, "timeout: 1\ngarbage\n");
    request.change = ListChange::Remove;
    report = changeXScreenSaverList(request);
    EXPECT_EQ(report.exitCode, 2);
    EXPECT_NE(report.text.find("line 2"), std::string::npos) << report.text;
    EXPECT_EQ(fileText(target), "timeout: 1\ngarbage\n");

    // No file: Remove makes none; Add without defaults cannot make one.
    unlink(settings.c_str());
    report = changeXScreenSaverList(request);
    EXPECT_EQ(report.exitCode, 0) << report.text;
    EXPECT_NE(access(settings.c_str(), F_OK), 0);
    request.change = ListChange::Add;
    request.defaultsPaths = {folder + "/missing"};
    report = changeXScreenSaverList(request);
    EXPECT_EQ(report.exitCode, 1) << report.text;
    EXPECT_NE(access(settings.c_str(), F_OK), 0);

    // No temporary file is left behind.
    unlink(target.c_str());
    unlink((folder + "/XScreenSaver").c_str());
    EXPECT_EQ(rmdir(folder.c_str()), 0) << "files left in " << folder;
}

// What the list command meets where the files are not plain files: nothing
// hangs or is read without end, nothing is written through a link at the
// .bak, and nothing at all is written where the change cannot be made.
TEST(XScreenSaverList, SpecialFilesAndLinksAreNeverWaitedOnOrWrittenThrough)
{
    struct Row {
        const char* settings;  // what .xscreensaver is: "file", "private", "read-only", "big", "pipe", "-> TARGET"
        const char* backup;    // what .xscreensaver.bak is, the same way; "": none
        int exitCode;
        std::string says;
        int otherWrites = 0;   // times another program replaces the file just before it is put in place
        bool byRoot = false;   // run by root on nobody's files, where the tests run as root
    };
    const Row rows[] = {
        {"pipe", "", 2, "not a regular file"},
        {"-> /dev/zero", "", 2, "not a regular file"},
        {"big", "", 2, "more than 1 MiB"},
        {"file", "pipe", 2, ".xscreensaver.bak': not a regular file"},
        {"read-only", "", 2, "Permission denied"},
        {"file", "-> elsewhere", 0, ""},
        {"file", "-> nowhere", 0, ""},
        {"private", "file", 0, ""},
        {"private", "", 0, "", 0, true},
        {"file", "", 0, "", 1},
        {"file", "", 1, "kept changing", 9},
    };
    // Another program's change, made between the read and the rename.
    const auto otherEdit = [](std::string text) { return text.replace(text.find("0:05"), 4, "0:09"); };
    const auto place = [](const std::string& path, const std::string& what) {
        if (what == "pipe") {
            EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        } else if (what.rfind("-> ", 0) == 0) {
            EXPECT_EQ(symlink(what.substr(3).c_str(), path.c_str()), 0);
        } else if (!what.empty()) {
            write(path, what == "big" ? "! " + std::string(1 << 20, 'x') + "\n" : kHandEdited);
            chmod(path.c_str(), what == "read-only" ? 0444 : what == "private" ? 0600 : 0644);
        }
    };
    for (const Row& r : rows) {
        const std::string what = std::string(r.settings) + ", .bak " + r.backup;
        char folderTemplate[] = "/tmp/cindral-list-XXXXXX";
        ASSERT_NE(mkdtemp(folderTemplate), nullptr);
        const std::string folder = folderTemplate;
        chmod(folder.c_str(), 0777);
        const std::string settings = folder + "/.xscreensaver";
        place(settings, r.settings);
        place(settings + ".bak", r.backup);
        write(folder + "/elsewhere", "someone else's\n");
        // Left by runs killed between naming and renaming their file.
        const std::string stale = folder + "/.cindral-" + std::to_string(endedProcess()) + "-0";
        const std::string running = folder + "/.cindral-" + std::to_string(getpid()) + "-0";
        write(stale, "");
        write(running, "");
        // Read by the test only where it is a file: a pipe would hold the test up.
        const auto text = [](const std::string& path) {
            struct stat found;
            return lstat(path.c_str(), &found) == 0 && S_ISREG(found.st_mode) ? fileText(path) : "(not a file)";
        };
        const std::string before = text(settings);
        ListRequest request;
        request.settingsPath = settings;
        request.program = "cindral";
        request.beforePuttingInPlace = [&, writes = 0]() mutable {
            if (writes++ < r.otherWrites) {
                write(settings + ".new", otherEdit(before));
                EXPECT_EQ(rename((settings + ".new").c_str(), settings.c_str()), 0);
            }
        };
        const bool byRoot = r.byRoot && geteuid() == 0;
        if (byRoot) {
            giveToNobody(folder);
        }
        const ListReport report =
            byRoot ? changeXScreenSaverList(request) : asOrdinaryUser(folder, [&] { return changeXScreenSaverList(request); });

        EXPECT_EQ(report.exitCode, r.exitCode) << what << ": " << report.text;
        EXPECT_NE(report.text.find(r.says), std::string::npos) << what << ": " << report.text;
        const bool changed = r.exitCode == 0;
        const std::string read = r.otherWrites > 0 ? otherEdit(before) : before;
        EXPECT_EQ(text(settings), changed ? (r.otherWrites > 0 ? otherEdit(handEditedWith(kCindral))
                                                               : handEditedWith(kCindral))
                                          : read)
            << what;
        // Where the change was made, the old file as a file of its own, with
        // the settings file's owner and mode; else none written.
        EXPECT_EQ(text(settings + ".bak"), changed ? read : "(not a file)") << what;
        struct stat now, kept;
        if (changed && stat(settings.c_str(), &now) == 0 && stat((settings + ".bak").c_str(), &kept) == 0) {
            EXPECT_EQ(kept.st_mode, now.st_mode) << what;
            EXPECT_EQ(kept.st_uid, now.st_uid) << what;
            EXPECT_EQ(now.st_mode & 0777, r.settings == std::string("private") ? 0600u : 0644u) << what;
            EXPECT_EQ(now.st_uid, geteuid() == 0 ? getpwnam("nobody")->pw_uid : geteuid()) << what;
        }
        EXPECT_TRUE(!changed || access(stale.c_str(), F_OK) != 0) << what;
        EXPECT_EQ(access(running.c_str(), F_OK), 0) << what;
        EXPECT_EQ(text(folder + "/elsewhere"), "someone else's\n") << what << ": written through the link";
        EXPECT_NE(access((folder + "/nowhere").c_str(), F_OK), 0) << what << ": written through the link";
        fs::remove_all(folder);
    }
}
