#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

pid_t endedProcess()
{
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool waitUntil(double seconds, const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        sleepSeconds(0.01);
    }
    return true;
}

Process::Process(const Launch& launch)
{
    // The child's standard input, output and error; -1 leaves one closed.
    int ends[3] = {open("/dev/null", O_RDONLY | O_CLOEXEC), -1, -1};
    const Stream streams[3] = {Stream::Closed, launch.out, launch.err};
    int* const ours[3] = {nullptr, &outFd_, &errFd_};
    for (int i = 1; i < 3; ++i) {
        int fds[2];
        if (streams[i] == Stream::Full) {
            ends[i] = open("/dev/full", O_WRONLY | O_CLOEXEC);
        } else if (streams[i] != Stream::Closed && pipe2(fds, O_CLOEXEC) == 0) {
            ends[i] = fds[1];
            if (streams[i] == Stream::Captured) {
                *ours[i] = fds[0];
                fcntl(fds[0], F_SETFL, O_NONBLOCK);
            } else {
                close(fds[0]);  // no reader: a write raises SIGPIPE
            }
        }
    }
    std::vector<char*> argv;
    for (const std::string& word : launch.argv) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        for (int target = 0; target < 3; ++target) {
            if (ends[target] >= 0) {
                dup2(ends[target], target);  // the copy stays open across exec
            } else {
                close(target);
            }
        }
        // Nothing else the tests' runner left open is inherited.
        close_range(3, ~0U, 0);
        for (const std::string& change : launch.env) {
            const std::size_t equals = change.find('=');
            if (equals == std::string::npos) {
                unsetenv(change.c_str());
            } else {
                setenv(change.substr(0, equals).c_str(), change.c_str() + equals + 1, 1);
            }
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int s = 1; s <= SIGRTMAX; ++s) {
            ::signal(s, SIG_DFL);
        }
        const rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        for (const auto& [resource, bytes] : {std::pair{RLIMIT_AS, launch.addressSpaceBytes},
                                              std::pair{RLIMIT_FSIZE, launch.fileSizeBytes},
                                              std::pair{RLIMIT_NOFILE, launch.openFiles}}) {
            const rlimit limit = {bytes, bytes};
            if (bytes != 0) {
                setrlimit(resource, &limit);
            }
        }
        if (!launch.folder.empty() && chdir(launch.folder.c_str()) != 0) {
            _exit(126);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    for (int fd : ends) {
        if (fd >= 0) {
            close(fd);
        }
    }
    ended_ = pid_ < 0;
}

Process::~Process()
{
    kill();
    for (int fd : {outFd_, errFd_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void Process::kill()
{
    if (!ended_) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        ended_ = true;
    }
}

void Process::drain()
{
    for (auto [fd, text] : {std::pair{outFd_, &out_}, std::pair{errFd_, &err_}}) {
        char buffer[65536];
        ssize_t n;
        while (fd >= 0 && ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))) {
            text->append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
        }
    }
}

bool Process::running()
{
    if (!ended_ && waitpid(pid_, &status_, WNOHANG) == pid_) {
        ended_ = true;
    }
    // After the end, what it wrote is all in the pipes.
    drain();
    return !ended_;
}

void Process::signal(int number)
{
    if (!ended_) {
        ::kill(pid_, number);
    }
}

bool Process::waitForExit(double seconds)
{
    const bool ended = waitUntil(seconds, [this] { return !running(); });
    kill();
    drain();
    return ended;
}

std::string Process::howItEnded() const
{
    if (!ended_ || pid_ < 0) {
        return ended_ ? "not started" : "still running";
    }
    return WIFEXITED(status_) ? "exit " + std::to_string(WEXITSTATUS(status_))
                              : "signal " + std::to_string(WTERMSIG(status_));
}

const std::string& Process::output()
{
    drain();
    return out_;
}

const std::string& Process::errorText()
{
    drain();
    return err_;
}

Finished runProgram(const Launch& launch, double seconds)
{
    Process process(launch);
    process.waitForExit(seconds);
    return {process.howItEnded(), process.output(), process.errorText()};
}
