// A program run in its own process group, so that it can be stopped with
// everything it started. The child is always reaped: by reap(), or when the
// object goes away (the group is then killed first).
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace olva::platform {

class ChildProcess {
public:
    // Starts `executable` with `arguments` (argv[1...]) in a new process
    // group, its standard output and error both written to `outputFd`; the
    // environment, working folder and standard input are ours. Throws
    // std::system_error when it cannot be started.
    ChildProcess(const std::string& executable, const std::vector<std::string>& arguments, int outputFd);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits until the child has ended, at most `timeout`; true when it has.
    // The child stays unreaped, so its process group cannot be reused.
    bool waitForExit(std::chrono::duration<double> timeout);
    // Sends `signal` to every process of the group.
    void signalGroup(int signal);
    // Waits for the child and reaps it: its exit status, or for a child
    // ended by a signal, the signal's number.
    int reap();

    int pid() const { return pid_; }

    // Sends `signal` to the group of every child that is not yet reaped.
    static void signalAll(int signal);

private:
    int pid_ = -1;
    int pidfd_ = -1;
    bool reaped_ = false;
};

}  // namespace olva::platform
