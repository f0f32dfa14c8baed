#pragma once

#include "output_file.h"
#include "program_shell.h"
#include "render_options.h"

#include <cstdint>
#include <string>
#include <vector>

// Everything a run of cindral-render writes: the last frame as a PNG, the
// state file, and the frame series of --every/--out.
class RenderOutputs {
public:
    explicit RenderOutputs(const RenderOptions& options);
    // Unless the run succeeded, removes the folders that prepare() made and
    // that are still empty, as a signal that ends the run does; the PNG and
    // the state file are abandoned unless committed.
    ~RenderOutputs();
    RenderOutputs(const RenderOutputs&) = delete;
    RenderOutputs& operator=(const RenderOutputs&) = delete;

    // Checks every output before the first frame and gets them ready: no two
    // outputs on one file, nor on the series' folder, a folder above it or
    // one of its frame files, however the paths are spelt and whether the
    // folder exists yet or not; every path usable (no loop of links, every
    // folder on the way searchable); the series' folder made, every frame
    // file already in it that the series will replace checked as an output,
    // and the PNG and the state file opened, which checks that they can be
    // written. On
    // failure nothing is left of what this made, and `failure` says why with
    // the status of the shared policy.
    bool prepare(Failure& failure);

    OutputFile& png() { return png_; }
    OutputFile& state() { return state_; }

    // Whether `frame` goes into the series, and the file it goes to.
    bool inSeries(std::uint64_t frame) const { return options_.every != 0 && frame % options_.every == 0; }
    std::string framePath(std::uint64_t frame) const;

    // The run succeeded: the folders made stay, also where no frame fell
    // into the series.
    void keepFolders();

private:
    std::uint64_t seriesFrame(const std::string& name) const;
    bool checkDistinct(Failure& failure) const;
    bool makeSeriesFolder(Failure& failure);
    bool checkSeriesFiles(Failure& failure) const;
    void removeMadeFolders();

    RenderOptions options_;
    OutputFile png_;
    OutputFile state_;
    std::vector<std::string> madeFolders_; // by prepare, deepest last
    OnSignalRemove madeOnSignal_;          // the same, for a signal to remove
};
