#include "render_outputs.h"

#include "printable.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace {

namespace fs = std::filesystem;

std::string frameName(std::uint64_t frame)
{
    char name[40];
    std::snprintf(name, sizeof name, "frame-%06" PRIu64 ".png", frame);
    return name;
}

// Refuses a path that cannot even be looked at: a loop of links, a folder on
// the way that cannot be searched or is a file, a name too long. One that
// does not exist yet is fine.
bool reachable(const std::string& path, Failure& failure)
{
    struct stat found;
    if (stat(path.c_str(), &found) == 0 || errno == ENOENT) {
        return true;
    }
    failure = cannotWriteFailure(path, errno);
    return false;
}

} // namespace

RenderOutputs::RenderOutputs(const RenderOptions& options)
    : options_(options), png_(options.pngPath), state_(options.statePath)
{
}

RenderOutputs::~RenderOutputs()
{
    png_.abandon();
    state_.abandon();
    removeMadeFolders();
}

std::string RenderOutputs::framePath(std::uint64_t frame) const
{
    return options_.outDir + "/" + frameName(frame);
}

bool RenderOutputs::prepare(Failure& failure)
{
    for (const std::string* path : {&options_.pngPath, &options_.statePath, &options_.outDir}) {
        if (!path->empty() && !reachable(*path, failure)) {
            return false;
        }
    }
    if (!checkDistinct(failure)) {
        return false;
    }
    if ((options_.every != 0 && (!makeSeriesFolder(failure) || !checkSeriesFiles(failure))) ||
        (png_.wanted() && !png_.open(failure)) || (state_.wanted() && !state_.open(failure))) {
        png_.abandon();
        state_.abandon();
        removeMadeFolders();
        return false;
    }
    return true;
}

// Refuses two outputs that would land on one file, where the one written
// last would silently replace the other, and a file where the series needs a
// folder.
bool RenderOutputs::checkDistinct(Failure& failure) const
{
    const auto refuse = [&](std::string message) {
        failure = {kExitBadInput, std::move(message)};
        return false;
    };
    const RenderOptions& o = options_;
    if (!o.pngPath.empty() && !o.statePath.empty() && sameOutput(o.pngPath, o.statePath)) {
        return refuse("--png and --state name the same file '" + printable(o.pngPath) + "'");
    }
    if (o.every == 0) {
        return true;
    }
    const OutputPlace folder = placeOf(o.outDir);
    const std::pair<const char*, const std::string*> outputs[] = {{"--png", &o.pngPath}, {"--state", &o.statePath}};
    for (const auto& [option, path] : outputs) {
        if (path->empty()) {
            continue;
        }
        const std::string named = std::string(option) + " '" + printable(*path) + "'";
        const OutputPlace place = placeOf(*path);
        if (place == folder) {
            return refuse(named + " is also the --out folder");
        }
        if (place.holds(folder)) {
            return refuse(named + " would have to be a folder to hold --out '" + printable(o.outDir) + "'");
        }
        const fs::path resolved = resolvedOutputPath(*path);
        const std::uint64_t frame =
            placeOf(resolved.parent_path().string()) == folder ? seriesFrame(resolved.filename()) : 0;
        if (frame != 0) {
            return refuse(named + " is also frame " + std::to_string(frame) + " of --every/--out");
        }
    }
    return true;
}

// The frame of the series whose file is called `name`, or 0. Frame names
// carry at least six digits; the name written for the number found is
// compared, so that "frame-30.png" is not frame 30.
std::uint64_t RenderOutputs::seriesFrame(const std::string& name) const
{
    std::uint64_t frame = 0;
    if (std::sscanf(name.c_str(), "frame-%" SCNu64, &frame) == 1 && frame != 0 && frame % options_.every == 0 &&
        frame <= options_.frames && frameName(frame) == name) {
        return frame;
    }
    return 0;
}

// Checks each frame file already in the series' folder that the series will
// replace, as the PNG and the state file are checked, so that a run does not
// fail at its thousandth frame over a file that was in the way from the
// start. The folder's entries are read rather than each frame's name tried:
// a series may have millions of frames.
bool RenderOutputs::checkSeriesFiles(Failure& failure) const
{
    DIR* folder = opendir(options_.outDir.c_str());
    if (folder == nullptr) {
        failure = cannotWriteFailure(options_.outDir, errno);
        return false;
    }
    bool usable = true;
    while (const dirent* entry = readdir(folder)) {
        if (seriesFrame(entry->d_name) != 0) {
            OutputFile frame(options_.outDir + "/" + entry->d_name);
            if (!frame.check(failure)) {
                usable = false;
                break;
            }
        }
    }
    closedir(folder);
    return usable;
}

// Makes the series' folder one level at a time, so that what was made can be
// taken away again.
bool RenderOutputs::makeSeriesFolder(Failure& failure)
{
    const std::string& folder = options_.outDir;
    std::vector<std::string> missing;
    struct stat found;
    // "fr/" and "fr" are one level.
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    for (fs::path at = trimmed; !at.empty(); at = at.parent_path()) {
        if (stat(at.c_str(), &found) == 0) {
            break;
        }
        if (errno != ENOENT) {
            failure = cannotWriteFailure(folder, errno);
            return false;
        }
        missing.push_back(at.string());
        if (at == at.parent_path()) {
            break;
        }
    }
    // Listed for a signal before each is made, so that none is missed: one
    // not made yet is simply not there to remove. The list holds the
    // deepest made and those made just above it.
    int chain = 0;
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        if (!madeOnSignal_.take(*level, chain + 1)) {
            failure = cannotWriteFailure(folder, errno);
            return false;
        }
        if (mkdir(level->c_str(), 0777) == 0) {
            madeFolders_.push_back(*level);
            ++chain;
        } else if (errno == EEXIST) {
            madeOnSignal_.release();
            chain = 0;
        } else {
            failure = cannotWriteFailure(folder, errno);
            return false;
        }
    }
    if (stat(folder.c_str(), &found) != 0) {
        failure = cannotWriteFailure(folder, errno);
        return false;
    }
    if (!S_ISDIR(found.st_mode)) {
        failure = cannotWriteFailure(folder, ENOTDIR);
        return false;
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        failure = cannotWriteFailure(folder, errno);
        return false;
    }
    return true;
}

void RenderOutputs::keepFolders()
{
    madeOnSignal_.release();
    madeFolders_.clear();
}

void RenderOutputs::removeMadeFolders()
{
    madeOnSignal_.release();
    // Deepest first; one that is not empty stays.
    for (auto level = madeFolders_.rbegin(); level != madeFolders_.rend(); ++level) {
        rmdir(level->c_str());
    }
    madeFolders_.clear();
}
