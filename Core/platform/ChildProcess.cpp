#include "Core/platform/ChildProcess.h"

#include "Core/platform/SystemError.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <thread>

extern char** environ;

namespace olva::platform {

namespace {

class SpawnSettings {
public:
    SpawnSettings()
    {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSettings()
    {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
};

// The children not yet reaped, so that a process that is stopping can end
// them all. A reaped child leaves before its id can be reused.
std::mutex runningMutex;
std::set<pid_t> running;

}  // namespace

void ChildProcess::signalAll(int signal)
{
    std::lock_guard lock(runningMutex);
    for (pid_t pid : running) ::kill(-pid, signal);
}

ChildProcess::ChildProcess(const std::string& executable, const std::vector<std::string>& arguments, int outputFd)
{
    SpawnSettings settings;
    // Its own group, a clean signal mask and default dispositions for the
    // signals a host process commonly blocks or ignores.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2, SIGXFSZ})
        sigaddset(&defaults, signal);
    posix_spawnattr_setpgroup(&settings.attributes, 0);
    posix_spawnattr_setsigmask(&settings.attributes, &none);
    posix_spawnattr_setsigdefault(&settings.attributes, &defaults);
    posix_spawnattr_setflags(&settings.attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_adddup2(&settings.actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&settings.actions, outputFd, STDERR_FILENO);
    // Descriptors the host opened without close-on-exec (a lock, a socket)
    // must not live on in whatever the program leaves running.
    posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    int error = ::posix_spawn(&pid, executable.c_str(), &settings.actions, &settings.attributes, argv.data(), environ);
    if (error != 0) throwErrno(error, "couldn't start " + executable);
    pid_ = pid;
    {
        std::lock_guard lock(runningMutex);
        running.insert(pid_);
    }
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));  // without it, waiting polls
}

ChildProcess::~ChildProcess()
{
    if (!reaped_) {
        signalGroup(SIGKILL);
        reap();
    }
    if (pidfd_ >= 0) ::close(pidfd_);
}

bool ChildProcess::waitForExit(std::chrono::duration<double> timeout)
{
    using Clock = std::chrono::steady_clock;
    if (reaped_) return true;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
    for (;;) {
        siginfo_t info {};
        int result = ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((result == 0 && info.si_pid == pid_) || (result < 0 && errno == ECHILD)) return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        if (pidfd_ >= 0) {
            pollfd entry {pidfd_, POLLIN, 0};
            int wait = static_cast<int>(std::min<long long>(left.count() + 1, 1000 * 60 * 60));
            ::poll(&entry, 1, wait);
        } else {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(10)));
        }
    }
}

void ChildProcess::signalGroup(int signal)
{
    // Harmless when the group is empty; the unreaped child keeps its id ours.
    if (!reaped_) ::kill(-pid_, signal);
}

int ChildProcess::reap()
{
    if (reaped_) return -1;
    // Wait for the end without reaping, then reap while no one can signal
    // the group: its id is free for reuse from that moment on.
    siginfo_t info {};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    int status = 0;
    int result;
    {
        std::lock_guard lock(runningMutex);
        running.erase(pid_);
        while ((result = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
        }
    }
    reaped_ = true;
    if (result < 0) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return WTERMSIG(status);
    return -1;
}

}  // namespace olva::platform
