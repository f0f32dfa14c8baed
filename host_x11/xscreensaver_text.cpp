#include "xscreensaver_text.h"

#include "printable.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
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

// The text with every edit made, in one pass: a list of many entries loses
// them all in time linear in its size.
std::string applyEdits(const std::string& text, std::vector<TextEdit> edits)
{
    std::sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) { return a.start < b.start; });
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (const TextEdit& e : edits) {
        out.append(text, at, e.start - std::min(at, e.start));
        out += e.replacement;
        at = std::max(at, e.end);
    }
    out.append(text, at, kNone);
    return out;
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
    // Looked for within the entry only, so that a list on one long line
    // costs no more for each entry taken out of it.
    std::size_t lineBreak = content;
    while (lineBreak > e.start && text[lineBreak - 1] != '\n') {
        --lineBreak;
    }
    const bool ownLine = lineBreak > e.start;
    lineBreak -= ownLine;
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
    // A backslash that ends the file, with no pair, would take what follows
    // it as an escape: a line break first makes it a line continuation, as
    // the file is read when it goes on.
    std::size_t backslashes = 0;
    while (contentEnd == text.size() && backslashes < contentEnd && text[contentEnd - 1 - backslashes] == '\\') {
        ++backslashes;
    }
    const std::string lineEnd = backslashes % 2 == 1 ? "\n" : "";
    std::size_t after = contentEnd;
    while (after < programs.valueEnd && isBlank(text[after])) {
        ++after;
    }
    if (!needsSeparator && after < programs.valueEnd && isContinuation(text, after)) {
        // The list goes on to a line of its own: a whole line goes in there.
        return {after + 2, after + 2, line + "\\n\\\n"};
    }
    return {contentEnd, contentEnd, lineEnd + (needsSeparator ? "\\n" : "") + std::string("\\\n") + line + "\\n"};
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
    errno = 0;
    const long index = std::strtol(value.c_str(), &end, 10);
    // A number out of range names no entry, and is left as it is.
    if (value.empty() || *end != '\0' || index < 0 || errno == ERANGE) {
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
    text = "# XScreenSaver Preferences File\n# Written by " + printable(writtenBy) +
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
