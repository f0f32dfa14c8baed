// cindral-render run as a separate program, the way a user runs it.
#include "cindral_version.h"
#include "file_text.h"
#include "scene_state_text.h"
#include "scene.h"
#include "scene_state_json.h"

#include "gl_recorder.h"
#include "process.h"

#include <png.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class RenderCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::path(::testing::TempDir()) / "cindral-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the renderer with `args` and the environment changed as Launch::env says.
    static Finished run(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
    {
        Launch launch{{CINDRAL_RENDER_PROGRAM}, env};
        launch.argv.insert(launch.argv.end(), args.begin(), args.end());
        return runProgram(launch);
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

} // namespace

TEST_F(RenderCli, WritesAPngAndTheSceneStateAfterAThousandFrames)
{
    const Finished r = run({"--frames", "1000", "--size", "320x240", "--state", path("s.json"),
                             "--png", path("f.png")});
    ASSERT_EQ(r.how, "exit 0") << r.err;

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, path("f.png").c_str()), 0) << image.message;
    EXPECT_EQ(image.width, 320u);
    EXPECT_EQ(image.height, 240u);
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr), 0) << image.message;
    long lit = 0;
    for (unsigned char v : rgb) {
        lit += v != 0;
    }
    EXPECT_GT(lit, 0) << "the last frame is all black";

    // Drawing through Mesa leaves the animation exactly as the scene computes
    // it without any drawing: frame count, draws, every float.
    EXPECT_EQ(fileText(path("s.json")), sceneStateTextAfter(320, 240, 1000));
}

TEST_F(RenderCli, WritesEveryKthFrameUnderItsNumber)
{
    const Finished r = run({"--frames", "25", "--size", "64x48", "--every", "10", "--out", path("frames")});
    ASSERT_EQ(r.how, "exit 0") << r.err;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_ / "frames")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"frame-000010.png", "frame-000020.png"}));
}

TEST_F(RenderCli, TwoRunsOf3000FramesWriteIdenticalStateFiles)
{
    for (const char* name : {"a.json", "b.json"}) {
        const Finished r = run({"--frames", "3000", "--size", "64x48", "--state", path(name)});
        ASSERT_EQ(r.how, "exit 0") << r.err;
    }
    const std::string first = fileText(path("a.json"));
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, fileText(path("b.json")));
}

// /dev/stdout on a pipe is /proc's link to the pipe, written in place.
TEST_F(RenderCli, HelpPrintsUsageAndSucceeds)
{
    const Finished r = run({"--help"});
    EXPECT_EQ(r.how, "exit 0");
    EXPECT_EQ(r.out.rfind("Usage: cindral-render", 0), 0u) << r.out;
}

// Scripts and packaging read the version from this one line.
TEST_F(RenderCli, VersionPrintsNameAndVersionAndIgnoresWhatFollows)
{
    const Finished r = run({"--version", "--bogus"});
    EXPECT_EQ(r.how, "exit 0") << r.err;
    EXPECT_EQ(r.out, "cindral-render " CINDRAL_VERSION "\n");
}

// Both ways to a new file: an unnamed one linked in, and, where the file
// system has no unnamed files, a named temporary one renamed.
TEST_F(RenderCli, ASuccessfulRunReplacesAnOutputKeepingItsMode)
{
    for (const std::vector<std::string>& env : {std::vector<std::string>{}, {"LD_PRELOAD=" CINDRAL_NO_TMPFILE_SHIM}}) {
        const std::string environment = ::testing::PrintToString(env);
        std::ofstream(path("keep.json")) << "old json";
        fs::permissions(path("keep.json"), fs::perms(0640));
        const Finished r = run({"--frames", "2", "--size", "16x16", "--state", path("keep.json")}, env);
        ASSERT_EQ(r.how, "exit 0") << environment << "\n" << r.err;
        EXPECT_EQ(fileText(path("keep.json")), sceneStateTextAfter(16, 16, 2)) << environment;
        EXPECT_EQ(fs::status(path("keep.json")).permissions(), fs::perms(0640)) << environment;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            EXPECT_EQ(entry.path().filename().string().rfind(".cindral-render-", 0), std::string::npos)
                << "temporary file left behind: " << entry.path();
        }
    }
}
