// Runs test code in a forked child process, for what only a second process
// can show (locks, concurrent appends).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>

namespace olva::test {

// Starts `body` in a child; its return value becomes the exit status. An
// exception in the child exits with 99.
inline pid_t startChild(const std::function<int()>& body)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        int status = 99;
        try {
            status = body();
        } catch (...) {
        }
        ::_exit(status);
    }
    return pid;
}

// The child's exit status, or -1 when it did not exit normally.
inline int waitChild(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

inline int runChild(const std::function<int()>& body) { return waitChild(startChild(body)); }

}  // namespace olva::test
