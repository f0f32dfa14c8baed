// cindral-render: runs the flame scene in an off-screen Mesa context and writes
// PNG frames and the scene's state. See renderUsage() for the options.
#include "cindral_version.h"
#include "offscreen_context.h"
#include "output_file.h"
#include "png_file.h"
#include "printable.h"
#include "render_options.h"
#include "scene.h"
#include "scene_state.h"
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

// The path of the frame file that --every/--out writes for `frame`.
std::string framePath(const std::string& dir, std::uint64_t frame)
{
    char name[40];
    std::snprintf(name, sizeof name, "/frame-%06" PRIu64 ".png", frame);
    return dir + name;
}

// Refuses two outputs that would land on one file, where the one written
// last would silently replace the other: --png and --state, and either of
// them and a frame file of the series.
bool outputsAreDistinct(const RenderOptions& options, std::string& error)
{
    if (!options.pngPath.empty() && !options.statePath.empty() &&
        sameOutput(options.pngPath, options.statePath)) {
        error = "--png and --state name the same file '" + printable(options.pngPath) + "'";
        return false;
    }
    if (options.every == 0) {
        return true;
    }
    const std::string frames = resolvedOutputPath(options.outDir);
    const std::pair<const char*, const std::string*> outputs[] = {{"--png", &options.pngPath},
                                                                  {"--state", &options.statePath}};
    for (const auto& [option, path] : outputs) {
        if (path->empty()) {
            continue;
        }
        const std::filesystem::path resolved = resolvedOutputPath(*path);
        if (resolved.parent_path() != frames) {
            continue;
        }
        // Frame names carry at least six digits; compare the name written for
        // the number found, so that "frame-30.png" is not frame 30.
        const std::string name = resolved.filename().string();
        std::uint64_t frame = 0;
        if (std::sscanf(name.c_str(), "frame-%" SCNu64, &frame) != 1 || frame == 0 ||
            frame % options.every != 0 || frame > options.frames ||
            framePath("", frame) != "/" + name) {
            continue;
        }
        error = std::string(option) + " '" + printable(*path) + "' is also frame " + std::to_string(frame) +
                " of --every/--out";
        return false;
    }
    return true;
}

bool writeFramePng(const std::string& dir, std::uint64_t frame, const OffscreenContext& context,
                   unsigned char* pixels, std::string& error)
{
    OutputFile output(framePath(dir, frame));
    if (!output.open(error)) {
        return false;
    }
    context.readPixelsTopDown(pixels);
    std::string pngError;
    if (!writeRgbPng(output.file(), pixels, context.width(), context.height(), pngError)) {
        error = cannotWrite(output.path(), pngError);
        return false;
    }
    return output.commit(error);
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
        // Once the last frame is done there is no progress left to report; a
        // failure to write the outputs then still takes one line alone.
        const Clock::time_point now = Clock::now();
        if (frame == total_ || now < next_) {
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
    if (!outputsAreDistinct(options, error)) {
        return failRun(error);
    }
    // Every output is checked before any time is spent, but no existing file
    // is touched before its new content is complete.
    installInterruptCleanup();
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
    // allocates nothing for the scene.
    std::vector<unsigned char> pixels;
    if (png.wanted() || options.every != 0) {
        pixels.resize(static_cast<std::size_t>(options.width) * options.height * 4);
    }

    initScene(options.width, options.height);
    Progress progress(options.frames);
    for (std::uint64_t frame = 1; frame <= options.frames; ++frame) {
        renderFrame();
        context->endFrame();
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
    if (state.wanted() && !writeSceneStateJson(state.file(), liveSceneState())) {
        return failRun(cannotWrite(state.path(), std::strerror(errno)));
    }
    if ((png.wanted() && !png.commit(error)) || (state.wanted() && !state.commit(error))) {
        return failRun(error);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        return failRun(error + " (see --help)");
    }
    if (options.help) {
        std::fputs(renderUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("cindral-render %s\n", CINDRAL_VERSION);
        return 0;
    }
    return run(options);
}
