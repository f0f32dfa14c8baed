// The command line both Linux programs read with the one reader: the first
// NUL-separated piece is the XSCREENSAVER_WINDOW variable, the rest the
// arguments. The Linux host reads them and chooses its window; cindral-render
// reads them and, as it does before its first frame, checks and makes ready
// its outputs in a scratch folder.
#include "fuzz_arguments.h"
#include "render_options.h"
#include "render_outputs.h"
#include "x11_options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The scratch folder's path, kept where its removal at exit can still read
// it after the static objects are gone.
char gScratchPath[4096];

void removeScratch()
{
    std::error_code ec;
    fs::permissions(fs::path(gScratchPath) / "locked", fs::perms::owner_all, ec);
    fs::remove_all(gScratchPath, ec);
}

// Made once, with what the outputs' planning must cope with: a loop of links,
// a dangling link, a file, a folder with a frame file and a named pipe for
// another frame in it and a link to it, a folder without permissions, a named
// pipe and a link to it (which would hold up a run that opened them).
const fs::path& scratch()
{
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "render-options-fuzzer-XXXXXX").string();
        if (pattern.size() >= sizeof gScratchPath || mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        pattern.copy(gScratchPath, pattern.size());
        std::atexit(removeScratch);
        const fs::path made = pattern;
        fs::create_symlink("loop", made / "loop");
        fs::create_symlink("missing.png", made / "dangling.png");
        std::ofstream(made / "file") << "x";
        fs::create_directory(made / "dir");
        std::ofstream(made / "dir" / "frame-000001.png") << "x";
        mkfifo((made / "dir" / "frame-000002.png").c_str(), 0600);
        mkfifo((made / "fifo").c_str(), 0600);
        fs::create_symlink("fifo", made / "to-fifo");
        fs::create_directory_symlink("dir", made / "link-to-dir");
        fs::create_directory(made / "locked");
        fs::permissions(made / "locked", fs::perms::none);
        return made;
    }();
    return folder;
}

// Every name under the scratch folder, links not followed.
std::vector<std::string> listing()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(scratch(), fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Only paths that stay in the scratch folder are tried there.
bool staysInside(const std::string& path)
{
    if (!path.empty() && path[0] == '/') {
        return false;
    }
    for (const fs::path& part : fs::path(path)) {
        if (part == "..") {
            return false;
        }
    }
    return true;
}

void checkPlanning(RenderOptions o)
{
    for (std::string* path : {&o.pngPath, &o.statePath, &o.outDir}) {
        if (!staysInside(*path)) {
            return;
        }
        if (!path->empty()) {
            *path = (scratch() / *path).string();
        }
    }
    static const std::vector<std::string> before = listing();
    {
        RenderOutputs outputs(o);
        Failure failure;
        if (!outputs.prepare(failure)) {
            const bool sharedStatus = failure.status == kExitBadInput || failure.status == kExitFailure;
            if (!sharedStatus || !isTerminalSafeLine(failure.message)) {
                std::abort();
            }
        } else if ((outputs.png().wanted() && outputs.png().file() == nullptr) ||
                   (outputs.state().wanted() && outputs.state().file() == nullptr)) {
            std::abort();
        }
    }
    // A run that ends here, as one refused or failing before its first
    // frame does, leaves the folder as it found it.
    if (listing() != before) {
        std::abort();
    }
}

// Reads the command line as a program does: a refusal must be one printable
// line. True when the program would go on to run; help and version end the
// reading at once, with what came before unchecked.
template <typename Options>
bool readsToRun(ReadOutcome (*read)(int, const char* const*, Options&, std::string&),
                const std::vector<const char*>& argv, Options& options)
{
    std::string error;
    const ReadOutcome outcome = read(static_cast<int>(argv.size()), argv.data(), options, error);
    if (outcome == ReadOutcome::Invalid && !isTerminalSafeLine(error)) {
        std::abort();
    }
    return outcome == ReadOutcome::Run;
}

void checkLinuxHost(const std::vector<const char*>& argv, const char* xscreensaverWindow)
{
    X11Options options;
    if (!readsToRun(readX11Options, argv, options)) {
        return;
    }
    if ((options.target == DrawTarget::GivenWindow && options.windowId == 0) || options.delayMicroseconds < 0 ||
        options.delayMicroseconds > kMaxDelayMicroseconds) {
        std::abort();
    }
    TargetChoice choice;
    std::string error;
    if (!chooseTarget(options, xscreensaverWindow, choice, error)) {
        if (!isTerminalSafeLine(error)) {
            std::abort();
        }
    } else if (choice.target == DrawTarget::GivenWindow && choice.id == 0) {
        std::abort();
    }
}

void checkRenderer(const std::vector<const char*>& argv)
{
    RenderOptions o;
    if (!readsToRun(readRenderOptions, argv, o)) {
        return;
    }
    const bool sizeInRange = o.width >= 1 && o.width <= kMaxRenderSide && o.height >= 1 && o.height <= kMaxRenderSide;
    const bool seriesComplete = (o.every == 0) == o.outDir.empty();
    const bool pngDrawsAFrame = o.pngPath.empty() || o.frames > 0;
    const bool writesOrSaysNot = o.noOutput == (o.pngPath.empty() && o.statePath.empty() && o.every == 0);
    if (!sizeInRange || !seriesComplete || !pngDrawsAFrame || !writesOrSaysNot) {
        std::abort();
    }
    checkPlanning(o);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> pieces = argumentsFrom(data, size);
    std::vector<const char*> argv = {"cindral"};
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        argv.push_back(pieces[i].c_str());
    }
    checkLinuxHost(argv, pieces[0].c_str());
    checkRenderer(argv);
    return 0;
}
