#include "render_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

struct ParsedRenderOptions {
    RenderOptions options;
    std::string error;
    bool sound;

    bool ok() const { return sound; }
};

ParsedRenderOptions parseRenderOptions(const Args& args)
{
    std::vector<const char*> argv = {"cindral-render"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    ParsedRenderOptions parsed;
    parsed.sound = readRenderOptions(static_cast<int>(argv.size()), argv.data(), parsed.options, parsed.error) ==
                   ReadOutcome::Run;
    return parsed;
}

} // namespace

TEST(RenderOptions, AcceptsEveryOptionWithItsValueNextOrAfterAnEqualsSign)
{
    const struct {
        Args args;
        int width;
        int height;
        std::uint64_t frames;
        std::string png;
        std::string state;
        std::uint64_t every;
        std::string out;
    } rows[] = {
        {{"--no-output"}, 800, 600, 100, "", "", 0, ""}, // the defaults
        {{"--size", "320x240", "--no-output"}, 320, 240, 100, "", "", 0, ""},
        {{"--size=1x1", "--no-output"}, 1, 1, 100, "", "", 0, ""},
        {{"--size", "16384x16384", "--no-output"}, 16384, 16384, 100, "", "", 0, ""},
        {{"--size", "0640x0480", "--no-output"}, 640, 480, 100, "", "", 0, ""},
        {{"--frames", "0", "--no-output"}, 800, 600, 0, "", "", 0, ""},
        {{"--frames", "0", "--state", "s.json"}, 800, 600, 0, "", "s.json", 0, ""},
        {{"--frames=18446744073709551615", "--no-output"}, 800, 600, UINT64_MAX, "", "", 0, ""},
        {{"--png", "f.png", "--state", "s.json"}, 800, 600, 100, "f.png", "s.json", 0, ""},
        {{"--every", "30", "--out", "dir"}, 800, 600, 100, "", "", 30, "dir"},
        {{"--frames", "5", "--frames", "7", "--png", "f.png"}, 800, 600, 7, "f.png", "", 0, ""}, // the last one counts
    };
    for (const auto& row : rows) {
        const ParsedRenderOptions parsed = parseRenderOptions(row.args);
        const std::string where = ::testing::PrintToString(row.args);
        ASSERT_TRUE(parsed.ok()) << where << ": " << parsed.error;
        const RenderOptions& o = parsed.options;
        EXPECT_EQ(o.width, row.width) << where;
        EXPECT_EQ(o.height, row.height) << where;
        EXPECT_EQ(o.frames, row.frames) << where;
        EXPECT_EQ(o.pngPath, row.png) << where;
        EXPECT_EQ(o.statePath, row.state) << where;
        EXPECT_EQ(o.every, row.every) << where;
        EXPECT_EQ(o.outDir, row.out) << where;
    }
}

TEST(RenderOptions, RejectsMalformedValuesAndCombinationsWithOneNamedReason)
{
    const struct {
        Args args;
        const char* reason; // a part of the error that names the problem
    } rows[] = {
        {{"-s"}, "unknown option '-s'"},
        // A size must be two positive whole numbers up to kMaxRenderSide.
        {{"--size", "0x5"}, "--size '0x5'"},
        {{"--size", "5x0"}, "--size '5x0'"},
        {{"--size", "-3x4"}, "--size '-3x4'"},
        {{"--size", "+3x4"}, "--size '+3x4'"},
        {{"--size", "12"}, "--size '12'"},
        {{"--size", "12x"}, "--size '12x'"},
        {{"--size", "x4"}, "--size 'x4'"},
        {{"--size", "1e3x4"}, "--size '1e3x4'"},
        {{"--size", "3.5x4"}, "--size '3.5x4'"},
        {{"--size", "3x4x5"}, "--size '3x4x5'"},
        {{"--size", " 3x4"}, "--size ' 3x4'"},
        {{"--size", "3X4"}, "--size '3X4'"},
        {{"--size", "16385x4"}, "--size '16385x4'"},
        {{"--size", "4294967297x4"}, "--size '4294967297x4'"}, // wraps to 1 in 32 bits
        {{"--size", "99999999999999999999999x4"}, "--size '99999999999999999999999x4'"},
        {{"--size="}, "--size needs a size WIDTHxHEIGHT"},
        {{"--frames", "-1"}, "--frames '-1'"},
        {{"--frames", "ten"}, "--frames 'ten'"},
        {{"--frames", "1.5"}, "--frames '1.5'"},
        {{"--frames", "18446744073709551616"}, "--frames '18446744073709551616'"},
        {{"--every", "0", "--out", "d"}, "--every '0'"},
        // Missing values, also where the next argument is another option.
        {{"--size"}, "--size needs a size WIDTHxHEIGHT"},
        {{"--frames"}, "--frames needs a number of frames"},
        {{"--png", "--state", "s.json"}, "--png needs a file name"},
        {{"--state="}, "--state needs a file name"},
        {{"--every"}, "--every needs a number of frames"},
        {{"-out"}, "-out needs a folder"},
        {{"--out", "d"}, "--out needs --every"},
        {{"--every", "5"}, "--every needs --out"},
        {{"--frames", "0", "--png", "f.png"}, "--png needs at least one frame"},
        // Something to write, or the word that nothing is wanted, but not both.
        {{}, "nothing to write: give --png FILE, --every/--out or --state FILE, or --no-output"},
        {{"--frames", "10", "--size", "64x48"}, "nothing to write"},
        {{"--no-output", "--png", "f.png"}, "--no-output cannot go with"},
        {{"--state", "s.json", "--no-output"}, "--no-output cannot go with"},
        {{"--every", "2", "--out", "d", "--no-output"}, "--no-output cannot go with"},
    };
    for (const auto& row : rows) {
        const ParsedRenderOptions parsed = parseRenderOptions(row.args);
        const std::string where = ::testing::PrintToString(row.args);
        ASSERT_FALSE(parsed.ok()) << where;
        EXPECT_NE(parsed.error.find(row.reason), std::string::npos)
            << where << " gave: " << parsed.error;
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << where;
    }
}
