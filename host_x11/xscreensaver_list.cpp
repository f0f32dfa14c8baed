#include "xscreensaver_list.h"

#include "output_file.h"
#include "printable.h"
#include "program_shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kNone = std::string::npos;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isContinuation(const std::string& text, std::size_t at)
{
    return at + 1 < text.size() && text[at] == '\\' && text[at + 1] == '\n';
}

std::string trimmed(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// ---------------------------------------------------------------- settings

// One "name: value" setting, over as many lines as its line continuations
// ('\' at a line's end) join.
struct Setting {
    int line = 0;                // of its first line, from 1
    std::string name;            // without a leading "*" or "XScreenSaver."
    std::size_t valueStart = 0;  // just after the colon
    std::size_t valueEnd = 0;    // at the line end that ends it, or the end of the text
};

std::string settingName(std::string name)
{
    if (!name.empty() && name[0] == '*') {
        name.erase(0, 1);
    }
    for (const char* prefix : {"XScreenSaver.", "XScreenSaver*"}) {
        if (name.compare(0, std::strlen(prefix), prefix) == 0) {
            name.erase(0, std::strlen(prefix));
        }
    }
    return name;
}

// Reads the settings of a resource file; blank lines and comments ('!' or '#'
// first) are passed over. False, with `error` set, for a line that is
// neither, or for a file that holds a NUL byte.
bool readSettings(const std::string& text, std::vector<Setting>& settings, std::string& error)
{
    if (text.find('\0') != kNone) {
        error = "it holds a NUL byte, so it is not a text file";
        return false;
    }
    const std::size_t n = text.size();
    std::size_t pos = 0;
    int line = 1;
    while (pos < n) {
        std::size_t p = pos;
        while (p < n && isBlank(text[p])) {
            ++p;
        }
        if (p < n && text[p] != '\n' && text[p] != '!' && text[p] != '#') {
            Setting setting;
            setting.line = line;
            std::size_t end = p;
            while (end < n && text[end] != '\n') {
                if (text[end] == '\\' && end + 1 < n) {
                    line += text[end + 1] == '\n';
                    end += 2;
                } else {
                    ++end;
                }
            }
            const std::size_t colon = text.find(':', p);
            if (colon >= end || trimmed(text.substr(p, colon - p)).empty()) {
                error = "line " + std::to_string(setting.line) +
                        " is neither a comment nor a setting 'name: value'";
                return false;
            }
            setting.name = settingName(trimmed(text.substr(p, colon - p)));
            setting.valueStart = colon + 1;
            setting.valueEnd = end;
            settings.push_back(setting);
            p = end;
        }
        const std::size_t lineEnd = text.find('\n', p);
        if (lineEnd == kNone) {
            break;
        }
        pos = lineEnd + 1;
        ++line;
    }
    return true;
}

// The last setting of that name (the one that counts), or null.
const Setting* findSetting(const std::vector<Setting>& settings, const char* name)
{
    const Setting* found = nullptr;
    for (const Setting& s : settings) {
        if (s.name == name) {
            found = &s;
        }
    }
    return found;
}

// A setting's value on one line: continuations taken out, ends trimmed.
std::string joinedValue(const std::string& text, const Setting& s)
{
    std::string value;
    for (std::size_t i = s.valueStart; i < s.valueEnd; ++i) {
        if (isContinuation(text, i)) {
            ++i;
        } else {
            value += text[i];
        }
    }
    return trimmed(value);
}

// ------------------------------------------------------------ list entries

// One non-blank entry of a programs: setting.
struct Entry {
    std::size_t start = 0;   // just after the "\n" before it, or at the value's start
    std::size_t end = 0;     // at its own "\n", or at the value's end when it has none
    bool separated = false;  // followed by "\n"
    std::string content;     // continuations taken out, ends trimmed
};

std::vector<Entry> readEntries(const std::string& text, const Setting& s)
{
    std::vector<Entry> entries;
    Entry entry;
    entry.start = s.valueStart;
    const auto finish = [&](std::size_t end, bool separated) {
        entry.end = end;
        entry.separated = separated;
        entry.content = trimmed(entry.content);
        if (!entry.content.empty()) {
            entries.push_back(entry);
        }
        entry = Entry();
        entry.start = end + (separated ? 2 : 0);
    };
    std::size_t q = s.valueStart;
    while (q < s.valueEnd) {
        if (text[q] == '\\' && q + 1 < s.valueEnd) {
            const char next = text[q + 1];
            if (next == 'n') {
                finish(q, true);
            } else if (next != '\n') {
                entry.content += text.substr(q, 2);
            }
            q += 2;
        } else {
            entry.content += text[q++];
        }
    }
    finish(s.valueEnd, false);
    return entries;
}

// [-] [VISUAL:] ["Pretty name"] COMMAND
struct EntryParts {
    bool switchedOff = false;
    std::string visual;
    std::string rest;     // the pretty name, if any, and the command
    std::string program;  // the command's first word, less any folder
};

EntryParts entryParts(const std::string& content)
{
    EntryParts parts;
    std::size_t p = 0;
    const std::size_t n = content.size();
    const auto skipBlanks = [&] {
        while (p < n && isBlank(content[p])) {
            ++p;
        }
    };
    if (p < n && content[p] == '-') {
        parts.switchedOff = true;
        ++p;
        skipBlanks();
    }
    std::size_t w = p;
    while (w < n && (std::isalnum(static_cast<unsigned char>(content[w])) || content[w] == '-' ||
                     content[w] == '_')) {
        ++w;
    }
    if (w > p && w < n && content[w] == ':') {
        parts.visual = content.substr(p, w - p);
        p = w + 1;
        skipBlanks();
    }
    parts.rest = content.substr(p);
    if (p < n && content[p] == '"') {
        const std::size_t close = content.find('"', p + 1);
        if (close == kNone) {
            return parts;
        }
        p = close + 1;
        skipBlanks();
    }
    std::size_t wordEnd = p;
    while (wordEnd < n && !isBlank(content[wordEnd])) {
        ++wordEnd;
    }
    const std::string word = content.substr(p, wordEnd - p);
    const std::size_t slash = word.rfind('/');
    parts.program = slash == kNone ? word : word.substr(slash + 1);
    return parts;
}

// Tabs, then spaces, from column `column` to column `target`, as the
// settings program pads its file: tab stops are 8 columns apart.
void padTo(std::string& out, std::size_t column, std::size_t target)
{
    while ((column / 8 + 1) * 8 <= target) {
        out += '\t';
        column = (column / 8 + 1) * 8;
    }
    if (column < target) {
        out.append(target - column, ' ');
    }
}

// An entry's line as the settings program writes it, without the "\n\"
// that ends it: the switch and the visual, the command from column 32, and
// padding to column 76.
std::string formatEntry(bool switchedOff, const std::string& visual, const std::string& rest)
{
    std::string line = switchedOff ? "-" : "";
    if (!visual.empty()) {
        line += switchedOff ? " " : "  ";
        line += visual + ": ";
    }
    // The part before the command holds no tab yet: its length is its width.
    const std::size_t commandColumn = std::max<std::size_t>(line.size(), 32);
    padTo(line, line.size(), 32);
    line += rest;
    padTo(line, commandColumn + rest.size(), 76);
    return line;
}

// A programs: setting with one entry a line, as the settings program writes
// it, ended by an empty line.
std::string programsSetting(const std::vector<std::string>& lines)
{
    std::string text = "programs:";
    padTo(text, text.size(), 78);
    text += "\\\n";
    for (const std::string& line : lines) {
        text += line + "\\n\\\n";
    }
    return text + "\n";
}

// The entries of the app-defaults file's programs: setting, laid out anew.
bool defaultLines(const std::string& appDefaults, std::vector<std::string>& lines, std::string& error)
{
    std::vector<Setting> settings;
    if (!readSettings(appDefaults, settings, error)) {
        return false;
    }
    if (const Setting* programs = findSetting(settings, "programs")) {
        for (const Entry& e : readEntries(appDefaults, *programs)) {
            const EntryParts parts = entryParts(e.content);
            lines.push_back(formatEntry(parts.switchedOff, parts.visual, parts.rest));
        }
    }
    return true;
}

struct TextEdit {
    std::size_t start;
    std::size_t end;
    std::string replacement;
};

std::string applyEdits(std::string text, std::vector<TextEdit> edits)
{
    std::sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) { return a.start > b.start; });
    for (const TextEdit& e : edits) {
        text.replace(e.start, e.end - e.start, e.replacement);
    }
    return text;
}

// What to delete to take an entry out: its whole line (with the "\n\" and
// the line end) when it has a line of its own, else only its text and its
// "\n", so that the entries around it stay joined.
TextEdit removal(const std::string& text, const Entry& e)
{
    std::size_t content = e.start;
    while (content < e.end && (isBlank(text[content]) || isContinuation(text, content))) {
        content += isBlank(text[content]) ? 1 : 2;
    }
    const std::size_t lineBreak = text.rfind('\n', content);
    const bool ownLine = lineBreak != kNone && lineBreak >= e.start && lineBreak < content;
    TextEdit edit{ownLine ? lineBreak + 1 : e.start, e.end, ""};
    if (e.separated) {
        edit.end = e.end + 2;
        std::size_t after = edit.end;
        while (after < text.size() && isBlank(text[after])) {
            ++after;
        }
        if (ownLine && isContinuation(text, after)) {
            edit.end = after + 2;
        }
    }
    return edit;
}

// Where and how to add a line after the last entry, so that the setting
// still ends where it ended.
TextEdit insertion(const std::string& text, const Setting& programs, const std::vector<Entry>& entries,
                   const std::string& line)
{
    std::size_t contentEnd = programs.valueStart;
    bool needsSeparator = false;
    if (!entries.empty()) {
        const Entry& last = entries.back();
        if (last.separated) {
            contentEnd = last.end + 2;
        } else {
            contentEnd = last.end;
            while (contentEnd > last.start) {
                if (isBlank(text[contentEnd - 1])) {
                    --contentEnd;
                } else if (contentEnd >= 2 && isContinuation(text, contentEnd - 2)) {
                    contentEnd -= 2;
                } else {
                    break;
                }
            }
            needsSeparator = true;
        }
    }
    std::size_t after = contentEnd;
    while (after < programs.valueEnd && isBlank(text[after])) {
        ++after;
    }
    if (!needsSeparator && after < programs.valueEnd && isContinuation(text, after)) {
        // The list goes on to a line of its own: a whole line goes in there.
        return {after + 2, after + 2, line + "\\n\\\n"};
    }
    return {contentEnd, contentEnd, (needsSeparator ? "\\n" : "") + std::string("\\\n") + line + "\\n"};
}

// Keeps selected: naming the entry it named once `removed` (places in the
// list, from 0) are taken out; -1, none, when it named one of them.
void keepSelection(const std::string& text, const std::vector<Setting>& settings,
                   const std::vector<std::size_t>& removed, std::vector<TextEdit>& edits)
{
    const Setting* selected = findSetting(settings, "selected");
    if (selected == nullptr) {
        return;
    }
    const std::string value = joinedValue(text, *selected);
    char* end = nullptr;
    const long index = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || index < 0) {
        return;
    }
    long now = index;
    for (std::size_t place : removed) {
        if (static_cast<long>(place) == index) {
            now = -1;
            break;
        }
        now -= static_cast<long>(place) < index;
    }
    if (now == index) {
        return;
    }
    const std::size_t start = text.find(value, selected->valueStart);
    edits.push_back({start, start + value.size(), std::to_string(now)});
}

// A line the settings program writes into a new file.
struct NewFileLine {
    const char* name;             // empty: an empty line
    const char* from = nullptr;   // the app-defaults setting, when not of the same name
    const char* fixed = nullptr;  // a value not taken from the app-defaults
};

// What the settings program writes into a new file, in its order, values
// taken from the app-defaults file. One missing there is left out, so that
// the daemon's own default holds.
const NewFileLine kNewFile[] = {
    {"timeout"}, {"cycle"}, {"lock"}, {"lockTimeout"}, {"passwdTimeout"}, {"visualID"},
    {"installColormap"}, {"verbose"}, {"splash"}, {"splashDuration"}, {"demoCommand"}, {"nice"},
    {"fade"}, {"unfade"}, {"fadeSeconds"}, {"ignoreUninstalledPrograms"}, {"dpmsEnabled"},
    {"dpmsQuickOff", "dpmsQuickoffEnabled"}, {"dpmsStandby"}, {"dpmsSuspend"}, {"dpmsOff"},
    {"grabDesktopImages"}, {"grabVideoFrames"}, {"chooseRandomImages"}, {"imageDirectory"}, {""},
    {"mode"}, {"selected", nullptr, "-1"}, {""},
    {"textMode"}, {"textLiteral"}, {"textFile"}, {"textProgram"}, {"textURL"}, {"dialogTheme"},
    {"settingsGeom", nullptr, "0,0 -1,-1"}, {""},
    {"programs"}, {""},
    {"pointerHysteresis"}, {"authWarningSlack"}, {""},
};

// ------------------------------------------------------------------ files

// The most a settings file is read to: real ones hold a few tens of
// kilobytes, and a bound keeps a link to a device or a runaway file from
// being read without end.
constexpr std::size_t kMostSettingsBytes = 1 << 20;

struct FileRead {
    enum Status { Read, Missing, Failed } status = Failed;
    int exitCode = kExitSuccess; // Failed: as the programs end
    std::string why;             // Failed: in a few words
    int mode = -1;               // Read: the file's permissions
};

// Reads a whole settings file into `text`. Only a regular file of at most
// kMostSettingsBytes is read: a pipe, a device, a socket or a folder is
// refused before anything is read from it, and opening it waits for nothing.
FileRead readSettingsFile(const std::string& path, std::string& text)
{
    const auto failed = [](int error) {
        return FileRead{error == ENOENT ? FileRead::Missing : FileRead::Failed, exitStatusForError(error),
                        std::strerror(error)};
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return failed(errno);
    }
    FileRead read{FileRead::Read, kExitSuccess, ""};
    struct stat found;
    if (fstat(fd, &found) != 0) {
        read = failed(errno);
    } else if (S_ISDIR(found.st_mode)) {
        read = failed(EISDIR);
    } else if (!S_ISREG(found.st_mode)) {
        read = {FileRead::Failed, kExitBadInput, "not a regular file"};
    } else {
        read.mode = static_cast<int>(found.st_mode & 07777);
    }
    text.clear();
    char buffer[65536];
    while (read.status == FileRead::Read) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno != EINTR) {
            read = failed(errno);
        } else if (got == 0) {
            break;
        } else if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
        if (text.size() > kMostSettingsBytes) {
            read = {FileRead::Failed, kExitBadInput,
                    "it holds more than " + std::to_string(kMostSettingsBytes >> 20) +
                        " MiB, far more than any XScreenSaver settings file"};
        }
    }
    close(fd);
    return read;
}

bool writeAll(OutputFile& output, const std::string& text, Failure& failure)
{
    if (std::fwrite(text.data(), 1, text.size(), output.file()) != text.size()) {
        failure = cannotWriteFailure(output.path(), errno);
        return false;
    }
    return true;
}

const char kPickedUp[] =
    "A running XScreenSaver reads the file again by itself, and xscreensaver-settings lists it.";

} // namespace

std::string listEntryFor(const std::string& program)
{
    return formatEntry(false, "GL", program + " --root");
}

ListEdit settingsFileFromDefaults(const std::string& appDefaults, const std::string& program,
                                  const std::string& writtenBy)
{
    ListEdit edit;
    std::vector<Setting> settings;
    std::vector<std::string> lines;
    if (!readSettings(appDefaults, settings, edit.error) || !defaultLines(appDefaults, lines, edit.error)) {
        return edit;
    }
    lines.push_back(listEntryFor(program));
    std::string& text = edit.text;
    text = "# XScreenSaver Preferences File\n# Written by " + writtenBy +
           ".\n# https://www.jwz.org/xscreensaver/\n\n";
    for (const NewFileLine& l : kNewFile) {
        if (*l.name == '\0') {
            text += '\n';
            continue;
        }
        if (std::strcmp(l.name, "programs") == 0) {
            text += programsSetting(lines);
            continue;
        }
        const Setting* from = findSetting(settings, l.from != nullptr ? l.from : l.name);
        if (l.fixed == nullptr && from == nullptr) {
            continue;
        }
        const std::string name = l.name + std::string(":");
        text += name;
        padTo(text, name.size(), name.size() < 16 ? 16 : 20);
        text += l.fixed != nullptr ? l.fixed : joinedValue(appDefaults, *from);
        text += '\n';
    }
    edit.result = ListEdit::Result::Changed;
    return edit;
}

ListEdit editSettingsFile(const std::string& file, ListChange change, const std::string& program,
                          const std::string* appDefaults)
{
    using Result = ListEdit::Result;
    ListEdit edit;
    std::vector<Setting> settings;
    if (!readSettings(file, settings, edit.error)) {
        return edit;
    }
    std::vector<const Setting*> lists;
    for (const Setting& s : settings) {
        if (s.name == "programs") {
            lists.push_back(&s);
        }
    }
    if (lists.size() > 1) {
        edit.error = "it has more than one programs: setting (lines " + std::to_string(lists[0]->line) +
                     " and " + std::to_string(lists[1]->line) + ")";
        return edit;
    }

    if (lists.empty()) {
        // The daemon then runs the app-defaults list: a new setting starts
        // from that list, so that no display mode is lost.
        if (change == ListChange::Remove) {
            edit.result = Result::NotListed;
            return edit;
        }
        std::vector<std::string> lines;
        if (appDefaults == nullptr) {
            edit.result = Result::NeedsDefaults;
            return edit;
        }
        if (!defaultLines(*appDefaults, lines, edit.error)) {
            edit.error = "XScreenSaver's defaults cannot be read: " + edit.error;
            return edit;
        }
        lines.push_back(listEntryFor(program));
        edit.text = file;
        if (!file.empty()) {
            edit.text += file.back() == '\n' ? "\n" : "\n\n";
        }
        edit.text += programsSetting(lines);
        edit.result = Result::Changed;
        return edit;
    }

    const Setting& programs = *lists[0];
    const std::vector<Entry> entries = readEntries(file, programs);
    std::vector<std::size_t> ours;
    bool allSwitchedOff = true;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const EntryParts parts = entryParts(entries[i].content);
        if (parts.program == program) {
            ours.push_back(i);
            allSwitchedOff = allSwitchedOff && parts.switchedOff;
        }
    }

    std::vector<TextEdit> edits;
    if (change == ListChange::Add) {
        if (!ours.empty()) {
            edit.result = Result::AlreadyListed;
            edit.switchedOff = allSwitchedOff;
            return edit;
        }
        edits.push_back(insertion(file, programs, entries, listEntryFor(program)));
    } else {
        if (ours.empty()) {
            edit.result = Result::NotListed;
            return edit;
        }
        for (std::size_t i : ours) {
            edits.push_back(removal(file, entries[i]));
        }
        keepSelection(file, settings, ours, edits);
        edit.removed = static_cast<int>(ours.size());
    }
    edit.text = applyEdits(file, edits);
    edit.result = Result::Changed;
    return edit;
}

ListReport changeXScreenSaverList(const ListRequest& request)
{
    using Result = ListEdit::Result;
    const std::string shown = printable(request.settingsPath);
    const std::string& program = request.program;
    std::string file;
    const FileRead settings = readSettingsFile(request.settingsPath, file);
    if (settings.status == FileRead::Failed) {
        return {settings.exitCode, "cannot read " + shown + ": " + settings.why};
    }
    // The first of the app-defaults files that can be read; those that
    // cannot are named with why, should none be had.
    std::string defaults;
    std::string defaultsPath;
    std::string tried;
    for (const std::string& path : request.defaultsPaths) {
        const FileRead read = readSettingsFile(path, defaults);
        if (read.status == FileRead::Read) {
            defaultsPath = path;
            break;
        }
        tried += (tried.empty() ? "" : ", ") + printable(path) +
                 (read.status == FileRead::Failed ? ": " + read.why : std::string());
    }

    Failure failure;
    if (settings.status == FileRead::Missing) {
        if (request.change == ListChange::Remove) {
            return {0, "There is no " + shown + " to take " + program + " out of; nothing changed."};
        }
        if (defaultsPath.empty()) {
            return {1, "there is no " + shown + " and no XScreenSaver defaults to make one from (" + tried +
                           "): is xscreensaver installed?"};
        }
        const ListEdit made = settingsFileFromDefaults(defaults, program, request.writtenBy);
        if (made.result != Result::Changed) {
            return {1, "cannot read XScreenSaver's defaults in " + printable(defaultsPath) + ": " + made.error};
        }
        OutputFile output(request.settingsPath);
        if (!output.open(failure) || !writeAll(output, made.text, failure)) {
            return {failure.status, failure.message};
        }
        if (stopSignal() != 0) {
            return {kExitFailure, "stopped before " + shown + " was made"};
        }
        if (!output.commit(failure)) {
            return {failure.status, failure.message};
        }
        return {0, "Made " + shown + " from XScreenSaver's defaults (" + printable(defaultsPath) + "), with " +
                       program + " in its list of display modes.\n" + kPickedUp};
    }

    const ListEdit edit =
        editSettingsFile(file, request.change, program, defaultsPath.empty() ? nullptr : &defaults);
    switch (edit.result) {
    case Result::Unreadable:
        return {2, "cannot change " + shown + ": " + edit.error + "; it is left as it was"};
    case Result::NeedsDefaults:
        return {1, shown + " has no programs: setting, and there are no XScreenSaver defaults (" + tried +
                       ") to start one from: is xscreensaver installed?"};
    case Result::AlreadyListed:
        return {0, program + " is already in the list of display modes in " + shown +
                       (edit.switchedOff ? ", unticked, so random mode passes it by (tick it in "
                                           "xscreensaver-settings to change that)"
                                         : "") +
                       "; nothing changed."};
    case Result::NotListed:
        return {0, program + " is not in the list of display modes in " + shown + "; nothing changed."};
    case Result::Changed:
        break;
    }

    // The old file kept beside it gets its permissions, where it is new.
    const int mode = settings.mode;
    const std::string backup = request.settingsPath + ".bak";
    // Both are opened, which checks them, before either is written: where
    // the settings file cannot be replaced, no .bak is written either. The
    // .bak is a file of its own: a link there gives way to it, and what the
    // link names is never touched.
    OutputFile newSettings(request.settingsPath, mode);
    OutputFile oldSettings(backup, mode, OutputFile::AtLink::Replace);
    if (!newSettings.open(failure) || !oldSettings.open(failure) || !writeAll(oldSettings, file, failure) ||
        !writeAll(newSettings, edit.text, failure)) {
        return {failure.status, failure.message + "; " + shown + " is left as it was"};
    }
    // A stop signal ends the change here, with nothing replaced.
    if (stopSignal() != 0) {
        return {kExitFailure, "stopped; " + shown + " is left as it was"};
    }
    if (!oldSettings.commit(failure) || !newSettings.commit(failure)) {
        return {failure.status, failure.message + "; " + shown + " is left as it was"};
    }
    const std::string kept = "; the file as it was is kept as " + printable(backup) + ".";
    if (request.change == ListChange::Add) {
        return {0, "Added " + program + " to the list of display modes in " + shown + kept + "\n" + kPickedUp};
    }
    return {0, "Took " + program + " out of the list of display modes in " + shown + kept};
}
