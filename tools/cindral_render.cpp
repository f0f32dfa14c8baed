// cindral-render: runs the flame scene in an off-screen Mesa context and writes
// PNG frames and the scene's state. See renderUsage() for the options.
#include "cindral_version.h"
#include "offscreen_context.h"
#include "png_file.h"
#include "render_options.h"
#include "scene.h"
#include "scene_state_json.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kExitBadRun = 2;

// Exit code 2 with one line on stderr for everything the user can fix: the
// arguments, an output that cannot be written, no usable OpenGL.
int failRun(const std::string& message)
{
    std::fprintf(stderr, "cindral-render: %s\n", message.c_str());
    return kExitBadRun;
}

// Only ever removes a plain file, so that a failed write to a device such as
// /dev/full cannot delete it.
void removePartialFile(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        std::remove(path.c_str());
    }
}

std::string cannotWrite(const std::string& path, const std::string& reason)
{
    return "cannot write '" + path + "': " + reason;
}

// An output file opened before rendering, so that an unwritable path is
// reported before any time is spent. A file that this run created is removed
// again unless the run completes; anything that was there before (a device
// such as /dev/stdout, a file being overwritten) is never removed.
class OutputFile {
public:
    explicit OutputFile(std::string path) : path_(std::move(path)) {}
    ~OutputFile()
    {
        if (file_ != nullptr) {
            std::fclose(file_);
            discard();
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool wanted() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::FILE* file() const { return file_; }

    bool open(std::string& error)
    {
        std::error_code ec;
        created_ = !std::filesystem::exists(path_, ec) && !ec;
        file_ = std::fopen(path_.c_str(), "wb");
        if (file_ == nullptr) {
            error = cannotWrite(path_, std::strerror(errno));
            return false;
        }
        return true;
    }

    // Closes the file and keeps it; false when the last of it could not be
    // written (fclose flushes).
    bool keep(std::string& error)
    {
        const int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0) {
            error = cannotWrite(path_, std::strerror(errno));
            discard();
            return false;
        }
        return true;
    }

private:
    void discard()
    {
        if (created_) {
            removePartialFile(path_);
        }
    }

    std::string path_;
    std::FILE* file_ = nullptr;
    bool created_ = false;
};

bool prepareDirectory(const std::string& dir, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir)) {
        error = cannotWrite(dir, ec ? ec.message() : "not a directory");
        return false;
    }
    if (access(dir.c_str(), W_OK) != 0) {
        error = cannotWrite(dir, std::strerror(errno));
        return false;
    }
    return true;
}

bool writeFramePng(const std::string& dir, std::uint64_t frame, const OffscreenContext& context,
                   unsigned char* pixels, std::string& error)
{
    char name[40];
    std::snprintf(name, sizeof name, "/frame-%06" PRIu64 ".png", frame);
    const std::string path = dir + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = cannotWrite(path, std::strerror(errno));
        return false;
    }
    context.readPixelsTopDown(pixels);
    std::string pngError;
    const bool written = writeRgbPng(file, pixels, context.width(), context.height(), pngError);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = cannotWrite(path, written ? std::strerror(errno) : pngError);
        removePartialFile(path);
        return false;
    }
    return true;
}

// Reports how far a run has got, once a second, only when it lasts longer
// than that. On a terminal the line is rewritten in place.
class Progress {
public:
    explicit Progress(std::uint64_t total)
        : total_(total), onTerminal_(isatty(STDERR_FILENO) == 1), next_(Clock::now() + kInterval)
    {
    }

    void frameDone(std::uint64_t frame)
    {
        const Clock::time_point now = Clock::now();
        if (now < next_) {
            return;
        }
        next_ = now + kInterval;
        std::fprintf(stderr, "cindral-render: frame %" PRIu64 " of %" PRIu64 " (%d%%)%s", frame,
                     total_, static_cast<int>(frame * 100 / total_), onTerminal_ ? "\r" : "\n");
        printed_ = true;
    }

    void finish()
    {
        if (printed_ && onTerminal_) {
            std::fputc('\n', stderr);
        }
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kInterval{1};

    std::uint64_t total_;
    bool onTerminal_;
    bool printed_ = false;
    Clock::time_point next_;
};

int run(const RenderOptions& options)
{
    std::string error;
    OutputFile png(options.pngPath);
    OutputFile state(options.statePath);
    if ((png.wanted() && !png.open(error)) || (state.wanted() && !state.open(error)) ||
        (options.every != 0 && !prepareDirectory(options.outDir, error))) {
        return failRun(error);
    }

    const std::unique_ptr<OffscreenContext> context =
        createOffscreenContext(options.width, options.height, error);
    if (!context) {
        return failRun(error);
    }

    // The one readback buffer, made before the first frame: the frame loop
    // allocates nothing.
    std::vector<unsigned char> pixels;
    if (png.wanted() || options.every != 0) {
        pixels.resize(static_cast<std::size_t>(options.width) * options.height * 4);
    }

    initScene(options.width, options.height);
    Progress progress(options.frames);
    for (std::uint64_t frame = 1; frame <= options.frames; ++frame) {
        renderFrame();
        if (options.every != 0 && frame % options.every == 0 &&
            !writeFramePng(options.outDir, frame, *context, pixels.data(), error)) {
            progress.finish();
            return failRun(error);
        }
        progress.frameDone(frame);
    }
    progress.finish();

    if (png.wanted()) {
        context->readPixelsTopDown(pixels.data());
        std::string pngError;
        if (!writeRgbPng(png.file(), pixels.data(), options.width, options.height, pngError)) {
            return failRun(cannotWrite(png.path(), pngError));
        }
    }
    if (state.wanted() && !writeSceneStateJson(state.file(), liveSceneState(options.frames))) {
        return failRun(cannotWrite(state.path(), std::strerror(errno)));
    }
    if ((png.wanted() && !png.keep(error)) || (state.wanted() && !state.keep(error))) {
        return failRun(error);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedRenderOptions parsed = parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok()) {
        return failRun(parsed.error + " (see --help)");
    }
    if (parsed.options.help) {
        std::fputs(renderUsage(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("cindral-render %s\n", CINDRAL_VERSION);
        return 0;
    }
    return run(parsed.options);
}
