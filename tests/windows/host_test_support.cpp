#include "host_test_support.h"

#include "saver_window_proc.h"

#include <cstdio>
#include <fstream>

DWORD gFakeTickCount = 0;

DWORD WINAPI readFakeTickCount()
{
    return gFakeTickCount;
}

std::string programFolder()
{
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string systemFile(const char* name)
{
    char folder[MAX_PATH] = "";
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}

std::string standInFile(const char* name)
{
    return programFolder() + "provider\\" + name;
}

namespace {

// Moves an existing file to a backup name and gives back the path under
// which it was found, in the file system's own spelling, so that it returns
// under that very name (Wine's files are lower case, the saver's names upper).
std::string moveAside(const std::string& path, std::string& backup)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return {};
    }
    FindClose(search);
    const std::string original = path.substr(0, path.find_last_of('\\') + 1) + found.cFileName;
    backup = original + ".cindral-test-backup";
    MoveFileExA(original.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
    return original;
}

} // namespace

PlacedFile::PlacedFile(const std::string& source, const std::string& target) : target_(target)
{
    original_ = moveAside(target, backup_);
    placed_ = CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
}

PlacedFile::~PlacedFile()
{
    DeleteFileA(target_.c_str());
    if (!backup_.empty()) {
        MoveFileExA(backup_.c_str(), original_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

MovedAside::MovedAside(const std::string& path)
{
    original_ = moveAside(path, backup_);
}

MovedAside::~MovedAside()
{
    if (!backup_.empty()) {
        MoveFileExA(backup_.c_str(), original_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

ProviderLog::ProviderLog() : path_(programFolder() + "provider.log")
{
    DeleteFileA(path_.c_str());
    SetEnvironmentVariableA("CINDRAL_PROVIDER_LOG", path_.c_str());
    answer(1);
    sendNestedInput(false);
}

ProviderLog::~ProviderLog()
{
    SetEnvironmentVariableA("CINDRAL_PROVIDER_LOG", nullptr);
    SetEnvironmentVariableA("CINDRAL_PROVIDER_ANSWER", nullptr);
    SetEnvironmentVariableA("CINDRAL_PROVIDER_NESTED", nullptr);
    DeleteFileA(path_.c_str());
}

std::vector<std::string> ProviderLog::lines() const
{
    std::vector<std::string> result;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

void ProviderLog::answer(int value)
{
    SetEnvironmentVariableA("CINDRAL_PROVIDER_ANSWER", std::to_string(value).c_str());
}

void ProviderLog::sendNestedInput(bool on)
{
    SetEnvironmentVariableA("CINDRAL_PROVIDER_NESTED", on ? "1" : nullptr);
}

std::string attachLine(const std::string& path)
{
    return "attach " + path;
}

std::string handleText(HWND window)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return text;
}

namespace {

constexpr char kRecordingClass[] = "CindralRecordingSaver";
std::vector<SeenMessage>* gSeen = nullptr;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (gSeen != nullptr) {
        gSeen->push_back({message, wParam, gSaverState != nullptr ? gSaverState->inPasswordPrompt : -1});
    }
    return SaverWindowProc(window, message, wParam, lParam);
}

} // namespace

void SaverWindowTest::SetUp()
{
    gInstance = GetModuleHandleA(nullptr);
    gSaverMode = SaverMode::Saver;
    gPlatform = kSystemPlatform;
    gPlatform.tickCount = readFakeTickCount;
    gFakeTickCount = 1000;
    state.passwordDelay = 15;
    state.mouseThreshold = 50;
    state.inPasswordPrompt = 0;
    gSaverState = &state;
    gSeen = &seen;

    WNDCLASSA windowClass{};
    if (!GetClassInfoA(gInstance, kRecordingClass, &windowClass)) {
        windowClass.lpfnWndProc = recordingProc;
        windowClass.hInstance = gInstance;
        windowClass.lpszClassName = kRecordingClass;
        ASSERT_NE(RegisterClassA(&windowClass), 0);
    }
    dispatchQueued();
}

void SaverWindowTest::TearDown()
{
    if (window != nullptr && IsWindow(window)) {
        DestroyWindow(window);
    }
    dispatchQueued();
    gSeen = nullptr;
    gSaverState = nullptr;
    gPlatform = kSystemPlatform;
    gSaverMode = SaverMode::None;
}

HWND SaverWindowTest::createSaverWindow()
{
    window = CreateWindowExA(0, kRecordingClass, "SaverWindow", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                             gInstance, nullptr);
    EXPECT_NE(window, nullptr);
    return window;
}

int SaverWindowTest::takeCloseRequests(HWND target)
{
    int requests = 0;
    MSG message;
    while (PeekMessageA(&message, target, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
        ++requests;
    }
    return requests;
}

bool SaverWindowTest::dispatchQueued()
{
    bool quit = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return quit;
}

int SaverWindowTest::count(UINT message) const
{
    int n = 0;
    for (const SeenMessage& m : seen) {
        n += m.message == message ? 1 : 0;
    }
    return n;
}

namespace {

constexpr UINT kStepMilliseconds = 30;
constexpr std::size_t kGraceTicks = 200; // after the last step, about 6 s

std::vector<std::function<void()>> gSteps;
std::size_t gTicks = 0;
std::size_t gStepsRun = 0;
bool gAgain = false;
UINT_PTR gTimer = 0;

void CALLBACK runNextStep(HWND, UINT, UINT_PTR, DWORD)
{
    ++gTicks;
    if (gStepsRun < gSteps.size() && gTicks <= gSteps.size() + kGraceTicks) {
        gAgain = false;
        gSteps[gStepsRun]();
        gStepsRun += gAgain ? 0 : 1;
    } else if (gTicks > gSteps.size() + kGraceTicks && gSaverWindow != nullptr && IsWindow(gSaverWindow)) {
        ADD_FAILURE() << "the saver loop did not end; destroying its window";
        DestroyWindow(gSaverWindow);
    }
}

} // namespace

LoopScript::LoopScript(std::vector<std::function<void()>> steps)
{
    gSteps = std::move(steps);
    gTicks = 0;
    gStepsRun = 0;
    gTimer = SetTimer(nullptr, 0, kStepMilliseconds, runNextStep);
}

LoopScript::~LoopScript()
{
    KillTimer(nullptr, gTimer);
    gSteps.clear();
}

void LoopScript::again()
{
    gAgain = true;
}

std::size_t LoopScript::stepsRun() const
{
    return gStepsRun;
}
