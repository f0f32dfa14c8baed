// Every way a run of cindral-render ends, in one table: each row a command
// line, the folder it runs in as prepared before, and how it must end: the
// exit status or signal, its one printable line on stderr, and exactly what
// is in the folder afterwards (no temporary file, no half-written output, no
// folder made for nothing, existing files as they were). A row runs in
// process where the ending comes from reading the arguments and checking the
// outputs, as the program does before its first frame, and as the program
// where it takes a process: a user, a memory limit, a signal, a standard
// stream, a rendered frame.
#include "file_text.h"
#include "render_options.h"
#include "render_outputs.h"
#include "process.h"
#include "terminal_line.h"

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CINDRAL_UNDER_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CINDRAL_UNDER_ASAN
#endif

namespace {

namespace fs = std::filesystem;

enum class Run {
    InProcess,
    Program,
    AsNobody,           // as the user nobody (through setpriv) when the tests run as root
    MemoryLimited,      // with 2 GB of address space, as ulimit -v 2000000
    FileSizeLimited,    // with files of at most 8 KB, as ulimit -f 8
    Mounted,            // after `mount` in a mount namespace of its own
    FewFiles,           // with 5 file descriptors, as ulimit -n 5
    StdoutFull,         // standard output on /dev/full
    StdoutClosed,       // standard output closed
    StderrClosed,       // standard error closed
    StderrToClosedPipe, // stderr a pipe nobody reads any more
    Signalled,          // sent `signal` once it reports progress, in the frame loop
};

// The folder's entries: "name/" a folder ("name/ 0600" with that mode),
// "name -> target" a symbolic link, "name |" a named pipe, "name = text" a
// file with that content, "name" a file (empty when prepared; any content
// when expected afterwards), "name 0444" an empty file with that mode. In a
// name, {dead} stands for the number of a process that has ended, {live}
// for one that runs.
using Entries = std::vector<std::string>;

struct Row {
    Run run;
    Entries before;
    std::vector<std::string> args;
    std::string ending; // "exit N" or "signal N"
    std::string says;   // a part of the one line on stderr; empty: nothing on stderr
    Entries after;
    std::string environment = ""; // NAME=value
    int signal = 0;
    std::string mount = "";       // Run::Mounted: mount's arguments
};

// Named files in place of unnamed ones, as on a file system without O_TMPFILE.
const std::string kNamedTemporaries = "LD_PRELOAD=" CINDRAL_NO_TMPFILE_SHIM;
// No EGL vendor library at all: no off-screen context can be had.
const std::string kNoEgl = "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json";

// Where an entry's mode starts ("d/ 0600", "f 0444"), or npos.
std::size_t modeAt(const std::string& entry)
{
    const std::size_t space = entry.rfind(' ');
    return space != std::string::npos && entry.find(" = ") == std::string::npos && entry[space + 1] == '0'
               ? space + 1
               : std::string::npos;
}

std::string withProcesses(std::string entry)
{
    static const std::string dead = std::to_string(endedProcess());
    entry = std::regex_replace(entry, std::regex("\\{dead\\}"), dead);
    return std::regex_replace(entry, std::regex("\\{live\\}"), std::to_string(getpid()));
}

std::string nameOf(const std::string& entry)
{
    const std::size_t content = entry.find(" = ");
    if (content != std::string::npos) {
        return entry.substr(0, content);
    }
    const std::size_t mode = modeAt(entry);
    return mode != std::string::npos ? entry.substr(0, mode - 1) : entry;
}

// "d/ 0600": 0600; otherwise -1.
int modeOf(const std::string& entry)
{
    const std::size_t mode = modeAt(entry);
    return mode != std::string::npos ? std::stoi(entry.substr(mode), nullptr, 8) : -1;
}

void prepare(const fs::path& folder, const Entries& entries)
{
    for (const std::string& named : entries) {
        const std::string entry = withProcesses(named);
        const std::string name = nameOf(entry);
        const std::size_t arrow = entry.find(" -> ");
        if (name.back() == '/') {
            fs::create_directories(folder / name);
        } else if (name.size() > 2 && name.compare(name.size() - 2, 2, " |") == 0) {
            mkfifo((folder / name.substr(0, name.size() - 2)).c_str(), 0600);
        } else if (arrow != std::string::npos) {
            fs::create_symlink(entry.substr(arrow + 4), folder / entry.substr(0, arrow));
        } else {
            const std::size_t content = entry.find(" = ");
            std::ofstream(folder / name) << (content == std::string::npos ? "" : entry.substr(content + 3));
        }
    }
    // Last, as a folder without permissions takes nothing in.
    for (const std::string& entry : entries) {
        if (modeOf(entry) >= 0) {
            fs::permissions(folder / nameOf(entry), static_cast<fs::perms>(modeOf(entry)));
        }
    }
}

void restorePermissions(const fs::path& folder, const Entries& entries)
{
    for (const std::string& entry : entries) {
        if (modeOf(entry) >= 0) {
            fs::permissions(folder / nameOf(entry), fs::perms(0755));
        }
    }
}

Entries listing(const fs::path& folder)
{
    Entries names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink()) {
            names.push_back(name + " -> " + fs::read_symlink(entry.path()).string());
        } else if (entry.is_fifo()) {
            names.push_back(name + " |");
        } else {
            names.push_back(entry.is_directory() ? name + "/" : name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

int temporaryFiles(const fs::path& folder)
{
    int n = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        n += entry.path().filename().string().rfind(".cindral-render-", 0) == 0;
    }
    return n;
}

// Runs a command in a folder whose current folder the test changes back.
class InFolder {
public:
    explicit InFolder(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
    ~InFolder() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

// How to start a program in a mount namespace of its own whose mounts never
// reach this one; empty where the machine allows none. Root in a user
// namespace may mount, and its mounts are the parent's slaves, also where "/"
// is no mount point whose propagation could be changed. A chroot or a
// container may refuse user namespaces; root there can still make its own
// namespace private.
const std::vector<std::string>& privateMounts()
{
    static const std::vector<std::string> found = [] {
        const std::vector<std::vector<std::string>> ways = {
            {"unshare", "--map-root-user", "--mount", "--propagation", "unchanged"},
            {"unshare", "--mount", "--propagation", "private"},
        };
        for (const std::vector<std::string>& way : ways) {
            Launch probe{way};
            probe.argv.push_back("true");
            Process process(probe);
            if (process.waitForExit(30) && process.howItEnded() == "exit 0") {
                return way;
            }
        }
        return std::vector<std::string>{};
    }();
    return found;
}

class RenderEndings : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::path(::testing::TempDir()) / "cindral-endings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
    }
    void TearDown() override { fs::remove_all(base_); }

    struct Ended {
        std::string how;
        std::string err;
    };

    // As the program does up to its first frame: reads the arguments and
    // checks and prepares the outputs, which must fail.
    Ended inProcess(const Row& row, const fs::path& work)
    {
        RenderOptions options;
        std::string error;
        std::vector<const char*> argv = {"cindral-render"};
        for (const std::string& arg : row.args) {
            argv.push_back(arg.c_str());
        }
        if (readRenderOptions(static_cast<int>(argv.size()), argv.data(), options, error) != ReadOutcome::Run) {
            ADD_FAILURE() << "refused arguments end the program: run the row as the program (" << error << ")";
            return {};
        }
        InFolder here(work);
        Failure failure;
        {
            RenderOutputs outputs(options);
            if (outputs.prepare(failure)) {
                ADD_FAILURE() << "every output passed: run the row as the program";
                return {};
            }
        }
        return {"exit " + std::to_string(failure.status), "cindral-render: " + failure.message + "\n"};
    }

    Ended asProgram(const Row& row, const fs::path& work)
    {
        Launch launch{{}, {}, work.string()};
        if (row.run == Run::AsNobody && geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (nobody == nullptr) {
                ADD_FAILURE() << "no user nobody";
                return {};
            }
            launch.argv = {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                           "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups"};
        }
        if (row.run == Run::Mounted) {
            launch.argv = privateMounts();
            launch.argv.insert(launch.argv.end(), {"sh", "-c", "mount " + row.mount + " && exec \"$@\"", "sh"});
        }
        launch.argv.push_back(CINDRAL_RENDER_PROGRAM);
        launch.argv.insert(launch.argv.end(), row.args.begin(), row.args.end());
        if (!row.environment.empty()) {
            launch.env = {row.environment};
        }
        launch.out = row.run == Run::StdoutFull     ? Stream::Full
                     : row.run == Run::StdoutClosed ? Stream::Closed
                                                    : Stream::Captured;
        launch.err = row.run == Run::StderrToClosedPipe ? Stream::ReaderGone
                     : row.run == Run::StderrClosed     ? Stream::Closed
                                                        : Stream::Captured;
        launch.openFiles = row.run == Run::FewFiles ? 5 : 0;
        launch.addressSpaceBytes = row.run == Run::MemoryLimited ? 2000000ul * 1024 : 0;
        launch.fileSizeBytes = row.run == Run::FileSizeLimited ? 8 * 1024 : 0;

        Process program(launch);
        if (row.run == Run::Signalled) {
            if (waitUntil(120, [&] { return !program.errorText().empty() || !program.running(); })) {
                EXPECT_GT(temporaryFiles(work), 0) << "no temporary file to remove";
                program.signal(row.signal);
            }
        }
        if (!program.waitForExit(120)) {
            ADD_FAILURE() << "still running after two minutes";
            return {};
        }
        // What it reports while running (each second, so only on a busy
        // machine in any row but the signalled ones) is not how it ended.
        static const std::regex progress("cindral-render: frame [0-9]+ of [0-9]+ \\([0-9]+%\\)\n");
        return {program.howItEnded(), std::regex_replace(program.errorText(), progress, "")};
    }

    void check(const Row& row)
    {
        const std::string where = ::testing::PrintToString(row.args) + " " + row.environment;
        const fs::path work = base_ / "work";
        fs::remove_all(work);
        fs::create_directory(work);
        fs::permissions(work, fs::perms::all);
        prepare(work, row.before);

        const Ended ended = row.run == Run::InProcess ? inProcess(row, work) : asProgram(row, work);

        EXPECT_EQ(ended.how, row.ending) << where << "\n" << ended.err;
        if (row.says.empty()) {
            EXPECT_EQ(ended.err, "") << where;
        } else {
            EXPECT_EQ(ended.err.rfind("cindral-render: ", 0), 0u) << where << "\n" << ended.err;
            EXPECT_NE(ended.err.find(row.says), std::string::npos) << where << "\n" << ended.err;
            EXPECT_EQ(std::count(ended.err.begin(), ended.err.end(), '\n'), 1) << where << "\n" << ended.err;
            EXPECT_TRUE(isTerminalSafeLine(ended.err.substr(0, ended.err.size() - 1))) << where << "\n" << ended.err;
        }

        restorePermissions(work, row.before);
        Entries expected;
        for (const std::string& entry : row.after) {
            expected.push_back(nameOf(withProcesses(entry)));
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listing(work), expected) << where;
        for (const std::string& entry : row.after) {
            const std::size_t content = entry.find(" = ");
            if (content != std::string::npos) {
                EXPECT_EQ(fileText(work / nameOf(entry)), entry.substr(content + 3)) << where;
            }
        }
        // What was written is what it claims to be, and nothing else; what
        // was prepared is empty or old.
        for (const auto& entry : fs::recursive_directory_iterator(work)) {
            const std::string text = fs::is_regular_file(entry.symlink_status()) ? fileText(entry.path()) : "";
            const fs::path kind = entry.path().extension();
            const std::string start = kind == ".png" ? "\x89PNG\r\n" : kind == ".json" ? "{\n" : "";
            if (!text.empty() && text.rfind("old ", 0) != 0) {
                EXPECT_EQ(text.rfind(start, 0), 0u) << where << ": " << entry.path() << " is not what it is named";
            }
        }
    }

    fs::path base_;
};

std::string longPath()
{
    const std::string part(250, 'a');
    std::string path;
    for (int i = 0; i < 20; ++i) {
        path += part + "/";
    }
    return path + "frames";
}

} // namespace

TEST_F(RenderEndings, EachEndsWithItsStatusOneLineAndNothingLeftBehind)
{
    const Entries kept = {"keep.png = old png", "keep.json = old json"};
    const Entries loop = {"loop -> loop"};
    std::vector<Row> rows = {
        // Arguments that cannot be used, one of each kind (the reader's own
        // test has them all); what they quote is shown escaped, on one line.
        {Run::Program, {}, {"--bogus"}, "exit 2", "unknown option '--bogus' (see cindral-render --help)", {}},
        {Run::Program, {}, {"--size", "1e3x4"}, "exit 2", "--size '1e3x4'", {}},
        {Run::Program, {}, {"--frames", "-1"}, "exit 2", "--frames '-1'", {}},
        {Run::Program, {}, {"--png"}, "exit 2", "--png needs a file name", {}},
        {Run::Program, {}, {"--help=foo"}, "exit 2", "--help takes no value", {}},
        {Run::Program, {}, {"--version=1"}, "exit 2", "--version takes no value", {}},
        {Run::Program, {}, {"--size", "64\nx48"}, "exit 2", "--size '64\\nx48'", {}},
        {Run::Program, {}, {"--size", "\xc2\x9b" "2J\xe2\x80\xae\xff"}, "exit 2", "--size '\\u{9b}2J\\u{202e}\\xff'", {}},
        {Run::Program, {}, {"--frames", "1"}, "exit 2",
         "nothing to write: give --png FILE, --every/--out or --state FILE, or --no-output", {}},

        // Paths that cannot be used, found before the first frame.
        {Run::InProcess, loop, {"--frames", "1", "--png", "p.png", "--state", "s.json", "--every", "1", "--out", "loop"},
         "exit 2", "cannot write 'loop': Too many levels of symbolic links", loop},
        {Run::InProcess, loop, {"--frames", "1", "--png", "loop"}, "exit 2",
         "cannot write 'loop': Too many levels of symbolic links", loop},
        {Run::InProcess, {}, {"--frames", "1", "--png", "p.png", "--every", "1", "--out", longPath()}, "exit 2",
         "characters cut]aaaa", {}},
        {Run::AsNobody, {"locked/ 0600", "locked/in/"},
         {"--frames", "1", "--png", "p.png", "--state", "s.json", "--every", "1", "--out", "locked/in/fr"}, "exit 2",
         "cannot write 'locked/in/fr': Permission denied", {"locked/", "locked/in/"}},
        {Run::InProcess, {}, {"--png", "no-such-dir/a\nb\xc2\x9b\xe2\x80\xae.png"}, "exit 2",
         "cannot write 'no-such-dir/a\\nb\\u{9b}\\u{202e}.png': No such file or directory", {}},
        {Run::InProcess, {"plain-file = x"}, {"--every", "1", "--out", "plain-file", "--frames", "1"}, "exit 2",
         "cannot write 'plain-file': Not a directory", {"plain-file = x"}},
        {Run::InProcess, kept, {"--frames", "1", "--state", "keep.json", "--every", "1", "--out", "/dev/full"},
         "exit 2", "cannot write '/dev/full': Not a directory", kept},
        // Only regular files are written, and nothing else is even opened: a
        // pipe without a reader would hold the run up for ever.
        {Run::InProcess, {"ff |"}, {"--frames", "1", "--png", "ff"}, "exit 2", "cannot write 'ff': not a regular file",
         {"ff |"}},
        {Run::InProcess, {"ff |", "to-ff -> ff"}, {"--frames", "1", "--state", "to-ff"}, "exit 2",
         "cannot write 'to-ff': not a regular file", {"ff |", "to-ff -> ff"}},
        {Run::InProcess, kept, {"--frames", "1", "--state", "keep.json", "--png", "/dev/full"}, "exit 2",
         "cannot write '/dev/full': not a regular file", kept},
        {Run::Program, {}, {"--frames", "1", "--state", "/dev/stdout"}, "exit 2",
         "cannot write '/dev/stdout': not a regular file", {}},
        // Each frame file the series will replace is checked before the
        // first frame.
        {Run::InProcess, {"d/frame-000002.png/"}, {"--frames", "3", "--every", "1", "--out", "d"}, "exit 2",
         "cannot write 'd/frame-000002.png': Is a directory", {"d/", "d/frame-000002.png/"}},
        {Run::AsNobody, {"d/ 0777", "d/frame-000002.png 0444"}, {"--frames", "3", "--every", "1", "--out", "d"},
         "exit 2", "cannot write 'd/frame-000002.png': Permission denied", {"d/", "d/frame-000002.png"}},
        // The series' folder, made first, goes again with a later refusal.
        {Run::InProcess, {}, {"--frames", "1", "--every", "1", "--out", "new/frames", "--png", "missing/p.png"},
         "exit 2", "cannot write 'missing/p.png': No such file or directory", {}},

        // Two outputs on one file, however the paths spell it, whether the
        // series' folder exists yet or not.
        {Run::InProcess, {"sub/"}, {"--frames", "1", "--png", "x", "--state", "sub/../x"}, "exit 2",
         "--png and --state name the same file 'x'", {"sub/"}},
        {Run::InProcess, {"link-to-x -> x"}, {"--frames", "1", "--png", "x", "--state", "link-to-x"}, "exit 2",
         "--png and --state name the same file 'x'", {"link-to-x -> x"}},
        {Run::InProcess, {}, {"--frames", "3", "--every", "1", "--out", "fr", "--state", "fr"}, "exit 2",
         "--state 'fr' is also the --out folder", {}},
        {Run::InProcess, {"fr/"}, {"--frames", "3", "--every", "1", "--out", "fr/", "--png", "./fr"}, "exit 2",
         "--png './fr' is also the --out folder", {"fr/"}},
        {Run::InProcess, {}, {"--frames", "3", "--every", "1", "--out", "fr/", "--state", "./fr"}, "exit 2",
         "--state './fr' is also the --out folder", {}},
        {Run::InProcess, {}, {"--frames", "1", "--png", "p.png", "--every", "1", "--out", "p.png/frames"}, "exit 2",
         "--png 'p.png' would have to be a folder to hold --out 'p.png/frames'", {}},
        {Run::InProcess, {}, {"--frames", "20", "--every", "10", "--out", "frames", "--state", "frames/frame-000020.png"},
         "exit 2", "--state 'frames/frame-000020.png' is also frame 20 of --every/--out", {}},
        {Run::InProcess, {"dir/", "link -> dir"}, {"--frames", "1", "--every", "1", "--out", "link", "--png", "dir/frame-000001.png"},
         "exit 2", "--png 'dir/frame-000001.png' is also frame 1 of --every/--out", {"dir/", "link -> dir"}},
        {Run::Mounted, {"d1/", "d2/"}, {"--frames", "1", "--png", "d1/x", "--state", "d2/x"}, "exit 2",
         "--png and --state name the same file 'd1/x'", {"d1/", "d2/"}, "", 0, "--bind d1 d2"},

        // The machine cannot do it: no context, not enough memory, a device
        // that fails the write. Nothing is replaced, and the one output
        // written is not committed when the other fails.
        {Run::Program, kept, {"--frames", "1", "--png", "keep.png", "--state", "keep.json", "--every", "1", "--out", "fr"},
         "exit 1", "no off-screen OpenGL context", kept, kNoEgl},
        {Run::MemoryLimited, {}, {"--frames", "1", "--size", "16384x16384", "--png", "big.png"}, "exit 1",
         "out of memory", {}},
        // A full disk and a file size limit are the machine's, in the
        // system's words; nothing is left, not even the folder made.
        {Run::Mounted, {"full/"}, {"--frames", "20", "--size", "1024x768", "--png", "full/a.png"}, "exit 1",
         "cannot write 'full/a.png': No space left on device", {"full/"}, "", 0, "-t tmpfs -o size=16k tmpfs full"},
        {Run::FewFiles, {}, {"--frames", "1", "--png", "a.png", "--state", "b.json"}, "exit 1",
         "too few file descriptors", {}},
        {Run::FileSizeLimited, {}, {"--frames", "20", "--size", "1024x768", "--png", "a.png"}, "exit 1",
         "cannot write 'a.png': File too large", {}},
        {Run::FileSizeLimited, {}, {"--frames", "20", "--size", "1024x768", "--every", "10", "--out", "fr"}, "exit 1",
         "cannot write 'fr/frame-000010.png': File too large", {}},
        {Run::StdoutFull, {}, {"--help"}, "exit 1", "cannot write standard output: No space left on device", {}},
        {Run::StdoutClosed, {}, {"--version"}, "exit 1", "cannot write standard output: Bad file descriptor", {}},

        // Ended by a signal: no temporary file stays, no output is replaced.
        {Run::StderrToClosedPipe, kept, {"--frames", "100000000", "--size", "64x48", "--png", "keep.png", "--state", "keep.json"},
         "signal 13", "", kept, kNamedTemporaries},

        // Runs that succeed.
        {Run::Program, {}, {"--frames", "3", "--size", "16x16", "--every", "1", "--out", "fr", "--state", "fr/s.json"},
         "exit 0", "", {"fr/", "fr/frame-000001.png", "fr/frame-000002.png", "fr/frame-000003.png", "fr/s.json"}},
        {Run::Program, {}, {"--frames", "0", "--every", "5", "--out", "empty"}, "exit 0", "", {"empty/"}},
        // Standard error closed: the outputs do not take its number.
        {Run::StderrClosed, {}, {"--frames", "4000", "--size", "64x64", "--png", "a.png", "--state", "s.json"},
         "exit 0", "", {"a.png", "s.json"}},
        // The temporary files of a run killed outright go, those of a
        // running one stay.
        {Run::Program, {".cindral-render-{dead}-0", ".cindral-render-{live}-XXy7Qz"},
         {"--frames", "1", "--size", "16x16", "--png", "p.png"}, "exit 0", "", {".cindral-render-{live}-XXy7Qz", "p.png"}},
        // A dangling link is written through.
        {Run::Program, {"out.png -> made.png"}, {"--frames", "1", "--size", "16x16", "--png", "out.png"}, "exit 0", "",
         {"out.png -> made.png", "made.png"}},
        {Run::Program, {}, {"--no-output", "--frames", "2", "--size", "16x16"}, "exit 0", "", {}},
    };
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGRTMIN + 1}) {
        rows.push_back({Run::Signalled, kept,
                        {"--frames", "100000000", "--size", "64x48", "--png", "keep.png", "--state", "keep.json"},
                        "signal " + std::to_string(signal), "", kept, kNamedTemporaries, signal});
    }
    // The folders the run made go too, while empty.
    rows.push_back({Run::Signalled, kept,
                    {"--frames", "100000000", "--size", "64x48", "--png", "keep.png", "--every", "100000000", "--out", "nd/a/b"},
                    "signal 15", "", kept, kNamedTemporaries, SIGTERM});
    for (const Row& row : rows) {
#ifdef CINDRAL_UNDER_ASAN
        // The sanitizer reserves far more address space than any limit.
        if (row.run == Run::MemoryLimited) {
            continue;
        }
#endif
        if (row.run == Run::Mounted && privateMounts().empty()) {
            continue;
        }
        check(row);
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "a failed write replaced the device";
    if (privateMounts().empty()) {
        GTEST_SKIP() << "skipped: every row ran but the full disk's: this machine gives no mount namespace of its own, "
                        "even to root, to put a small file system in";
    }
}
