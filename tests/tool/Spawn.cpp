#include "tests/tool/Spawn.h"

#include "Core/platform/Descriptor.h"

#include <csignal>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace olva::test {

namespace {

std::vector<std::string> environment(const SpawnOptions& options)
{
    std::map<std::string, std::string> values;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        auto equals = text.find('=');
        if (equals != std::string::npos) values[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : options.env) {
        if (value) values[name] = *value;
        else values.erase(name);
    }
    std::vector<std::string> out;
    for (const auto& [name, value] : values) out.push_back(name + "=" + value);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> out;
    for (auto& text : texts) out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

Child::Child(const std::vector<std::string>& args, const SpawnOptions& options)
{
    std::vector<std::string> argv = {OLVA_EXECUTABLE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = environment(options);
    auto argvPointers = pointers(argv);
    auto envPointers = pointers(envp);

    int inPipe[2], outPipe[2], errPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) || ::pipe2(outPipe, O_CLOEXEC) || ::pipe2(errPipe, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::dup2(inPipe[0], 0);
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) ::_exit(127);
        // The test runner may have left these ignored or blocked.
        ::signal(SIGPIPE, SIG_DFL);
        if (options.fileSizeLimit) {
            // Ignored, so that a write past the limit fails instead of ending the program.
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{static_cast<rlim_t>(*options.fileSizeLimit), RLIM_INFINITY};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(argvPointers[0], argvPointers.data(), envPointers.data());
        ::_exit(127);
    }
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    in_ = inPipe[1];
    out_ = outPipe[0];
    err_ = errPipe[0];
    if (!options.input.empty()) write(options.input);
}

Child::~Child()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {in_, out_, err_})
        if (fd >= 0) ::close(fd);
}

void Child::write(const std::string& bytes) { platform::writeAll(in_, bytes); }

void Child::closeInput()
{
    if (in_ >= 0) ::close(in_);
    in_ = -1;
}

void Child::pump(std::chrono::milliseconds timeout)
{
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    int ready = ::poll(fds, 2, static_cast<int>(timeout.count()));
    if (ready <= 0) return;
    char buffer[65536];
    for (int i = 0; i < 2; ++i) {
        int& fd = i == 0 ? out_ : err_;
        if (fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) (i == 0 ? outText_ : errText_).append(buffer, static_cast<std::size_t>(n));
        else if (n == 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

bool Child::waitFor(const std::string& text, const std::string& in, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    const int& fd = &in == &outText_ ? out_ : err_;
    while (in.find(text) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || fd < 0) return in.find(text) != std::string::npos;
        // Keep reading the other stream too, so that a chatty child never blocks.
        pump(std::min(left, std::chrono::milliseconds(100)));
    }
    return true;
}

bool Child::waitForOutput(const std::string& text, std::chrono::milliseconds timeout)
{
    return waitFor(text, outText_, timeout);
}

bool Child::waitForError(const std::string& text, std::chrono::milliseconds timeout)
{
    return waitFor(text, errText_, timeout);
}

void Child::liftFileSizeLimit()
{
    rlimit none{RLIM_INFINITY, RLIM_INFINITY};
    ::prlimit(pid_, RLIMIT_FSIZE, &none, nullptr);
}

void Child::signal(int number) { ::kill(pid_, number); }

Finished Child::finish(std::chrono::milliseconds timeout)
{
    closeInput();
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while ((out_ >= 0 || err_ >= 0) && std::chrono::steady_clock::now() < deadline)
        pump(std::chrono::milliseconds(100));
    Finished finished;
    int status = 0;
    pid_t done = 0;
    while (std::chrono::steady_clock::now() < deadline && (done = ::waitpid(pid_, &status, WNOHANG)) == 0)
        ::usleep(10000);
    if (done != pid_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    finished.out = outText_;
    finished.err = errText_;
    return finished;
}

Finished runOlva(const std::vector<std::string>& args, const SpawnOptions& options)
{
    Child child(args, options);
    return child.finish();
}

}  // namespace olva::test
