// cindral-render's run, once its options are read: the flame scene in an
// off-screen Mesa context, its frames written as PNG pictures and its state
// as JSON.
#include "render_run.h"

#include "offscreen_context.h"
#include "png_file.h"
#include "program_shell.h"
#include "render_outputs.h"
#include "scene.h"
#include "scene_state.h"
#include "scene_state_json.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Writes the frame on screen into `output`, not yet committed. Failures
// from here on, after every check passed, are the machine's.
bool writePng(OutputFile& output, const OffscreenContext& context, unsigned char* pixels, Failure& failure)
{
    context.readPixelsTopDown(pixels);
    std::string pngError;
    if (!writeRgbPng(output.file(), pixels, context.width(), context.height(), pngError)) {
        failure = {kExitFailure, cannotWrite(output.path(), pngError)};
        return false;
    }
    return true;
}

bool writeFramePng(const std::string& path, const OffscreenContext& context, unsigned char* pixels,
                   Failure& failure)
{
    OutputFile output(path);
    if (!output.open(failure)) {
        failure.status = kExitFailure;
        return false;
    }
    return writePng(output, context, pixels, failure) && output.commit(failure);
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

} // namespace

int runRender(const RenderOptions& options)
{
    // Every output is checked before any time is spent, but no existing file
    // is touched before its new content is complete.
    RenderOutputs outputs(options);
    Failure failure;
    if (!outputs.prepare(failure)) {
        return failWith(failure);
    }
    OutputFile& png = outputs.png();
    OutputFile& state = outputs.state();

    std::string error;
    const std::unique_ptr<OffscreenContext> context =
        createOffscreenContext(options.width, options.height, error);
    if (!context) {
        return failWith(kExitFailure, error);
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
        if (outputs.inSeries(frame) && !writeFramePng(outputs.framePath(frame), *context, pixels.data(), failure)) {
            progress.finish();
            return failWith(failure);
        }
        progress.frameDone(frame);
    }
    progress.finish();

    // Both are written before either is committed: where one cannot be
    // written, the other is not replaced either.
    if (png.wanted() && !writePng(png, *context, pixels.data(), failure)) {
        return failWith(failure);
    }
    if (state.wanted() && !writeSceneStateJson(state.file(), liveSceneState())) {
        return failWith(kExitFailure, cannotWrite(state.path(), std::strerror(errno)));
    }
    if ((png.wanted() && !png.commit(failure)) || (state.wanted() && !state.commit(failure))) {
        return failWith(failure);
    }
    outputs.keepFolders();
    return kExitSuccess;
}
