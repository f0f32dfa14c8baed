// cindral-render run as a separate program, the way a user runs it.
#include "cindral_version.h"
#include "scene_state_text.h"
#include "scene.h"
#include "scene_state_json.h"

#include "gl_recorder.h"

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string quoted(const std::string& text)
{
    std::string q = "'";
    for (char c : text) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

class RenderCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::path(::testing::TempDir()) / "cindral-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the renderer with `args`; `environment` is put in front as
    // NAME=value words.
    RunResult run(const std::vector<std::string>& args, const std::string& environment = "") const
    {
        std::string command = environment + " " + quoted(CINDRAL_RENDER_PROGRAM);
        for (const std::string& a : args) {
            command += " " + quoted(a);
        }
        const fs::path out = dir_ / "stdout.txt";
        const fs::path err = dir_ / "stderr.txt";
        command += " >" + quoted(out.string()) + " 2>" + quoted(err.string());
        const int status = std::system(command.c_str());
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return RunResult{code, readFile(out), readFile(err)};
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

} // namespace

TEST_F(RenderCli, WritesAPngAndTheSceneStateAfterAThousandFrames)
{
    const RunResult r = run({"--frames", "1000", "--size", "320x240", "--state", path("s.json"),
                             "--png", path("f.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err;

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
    EXPECT_EQ(readFile(path("s.json")), sceneStateTextAfter(320, 240, 1000));
}

TEST_F(RenderCli, WritesEveryKthFrameUnderItsNumber)
{
    const RunResult r = run({"--frames", "25", "--size", "64x48", "--every", "10", "--out", path("frames")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
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
        const RunResult r = run({"--frames", "3000", "--size", "64x48", "--state", path(name)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string first = readFile(path("a.json"));
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, readFile(path("b.json")));
}

TEST_F(RenderCli, HelpPrintsUsageAndSucceeds)
{
    const RunResult r = run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Usage: cindral-render", 0), 0u) << r.out;
}

// Scripts and packaging read the version from this one line.
TEST_F(RenderCli, VersionPrintsNameAndVersionAndIgnoresWhatFollows)
{
    const RunResult r = run({"--version", "--bogus"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "cindral-render " CINDRAL_VERSION "\n");
}

TEST_F(RenderCli, BadInputEndsWithExitCode2AndOneLineOnStderr)
{
    const std::string regularFile = path("plain-file");
    std::ofstream(regularFile) << "x";
    fs::create_directory(dir_ / "sub");
    fs::create_symlink(dir_ / "x", dir_ / "link-to-x");
    const struct {
        std::vector<std::string> args;
        std::string environment;
    } rows[] = {
        // One of each kind the parser rejects; its own test has them all.
        {{"--bogus"}, ""},
        {{"--size", "1e3x4"}, ""},
        {{"--frames", "-1"}, ""},
        {{"--png"}, ""},
        {{"--help=foo"}, ""},
        {{"--version=1"}, ""},
        // Input with a line break is quoted escaped, still on one line.
        {{"--size", "64\nx48"}, ""},
        {{"--frames", "1", "--png", path("no-such-dir/a\nb.png")}, ""},
        // Two outputs on one file, however the paths spell it.
        {{"--frames", "1", "--png", path("x"), "--state", path("x")}, ""},
        {{"--frames", "1", "--png", path("x"), "--state", path("sub/../x")}, ""},
        {{"--frames", "1", "--png", path("x"), "--state", path("link-to-x")}, ""},
        {{"--frames", "20", "--every", "10", "--out", path("frames"), "--state", path("frames/frame-000020.png")},
         ""},
        {{"--out", path("frames")}, ""},
        {{"--png", path("no-such-dir/f.png")}, ""},
        {{"--state", path("no-such-dir/s.json")}, ""},
        {{"--every", "1", "--out", regularFile, "--frames", "1"}, ""},
        // Fails only on writing, after the frame has been rendered.
        {{"--frames", "1", "--size", "16x16", "--state", "/dev/full"}, ""},
        {{"--frames", "1", "--size", "16x16", "--png", "/dev/full"}, ""},
        // No EGL vendor library at all: no context can be had.
        {{"--frames", "1"}, "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"},
    };
    for (const auto& row : rows) {
        const RunResult r = run(row.args, row.environment);
        const std::string where = row.environment + " " + ::testing::PrintToString(row.args);
        EXPECT_EQ(r.exitCode, 2) << where << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("cindral-render: ", 0), 0u) << where << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << where << "\n" << r.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "frames")) << "a rejected run made its output directory";
    EXPECT_FALSE(fs::exists(dir_ / "x")) << "a rejected run wrote an output";
    EXPECT_TRUE(fs::exists("/dev/full")) << "a failed write removed the device";
}

TEST_F(RenderCli, AFailedRunLeavesExistingOutputsAsTheyWere)
{
    std::ofstream(path("keep.png")) << "old png";
    std::ofstream(path("keep.json")) << "old json";
    fs::permissions(path("keep.json"), fs::perms(0640));
    const std::vector<std::string> args[] = {
        {"--frames", "1", "--png", path("keep.png"), "--state", path("keep.json")},
        {"--frames", "1", "--state", path("keep.json"), "--every", "1", "--out", "/dev/full"},
        {"--frames", "1", "--state", path("keep.json"), "--png", "/dev/full"},
    };
    // No context at all for the first; a bad or failing second output for the others.
    const std::string environments[] = {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json", "", ""};
    for (int i = 0; i < 3; ++i) {
        const RunResult r = run(args[i], environments[i]);
        EXPECT_EQ(r.exitCode, 2) << ::testing::PrintToString(args[i]) << "\n" << r.err;
        EXPECT_EQ(readFile(path("keep.png")), "old png") << ::testing::PrintToString(args[i]);
        EXPECT_EQ(readFile(path("keep.json")), "old json") << ::testing::PrintToString(args[i]);
    }

    // A run that succeeds replaces the content and keeps the file's mode.
    const RunResult r = run({"--frames", "2", "--size", "16x16", "--state", path("keep.json")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(path("keep.json")), sceneStateTextAfter(16, 16, 2));
    EXPECT_EQ(fs::status(path("keep.json")).permissions(), fs::perms(0640));
    for (const auto& entry : fs::directory_iterator(dir_)) {
        EXPECT_EQ(entry.path().filename().string().rfind(".cindral-render-", 0), std::string::npos)
            << "temporary file left behind: " << entry.path();
    }
}

TEST_F(RenderCli, AnInterruptedRunLeavesNoFilesAndEndsByTheSignal)
{
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::freopen("/dev/null", "w", stderr);
            execl(CINDRAL_RENDER_PROGRAM, CINDRAL_RENDER_PROGRAM, "--frames", "100000000", "--size", "64x48",
                  "--png", path("new.png").c_str(), "--state", path("new.json").c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        // Its temporary files exist from before the first frame on.
        const auto temporaryFiles = [&] {
            int n = 0;
            for (const auto& entry : fs::directory_iterator(dir_)) {
                n += entry.path().filename().string().rfind(".cindral-render-", 0) == 0;
            }
            return n;
        };
        for (int i = 0; i < 3000 && temporaryFiles() < 2; ++i) {
            usleep(10000);
        }
        EXPECT_EQ(temporaryFiles(), 2);
        kill(pid, signalNumber);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "status " << status;
        EXPECT_EQ(temporaryFiles(), 0);
        EXPECT_FALSE(fs::exists(path("new.png")));
        EXPECT_FALSE(fs::exists(path("new.json")));
    }
}
