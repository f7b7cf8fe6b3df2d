#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace olva::test {

TempDir::TempDir()
{
    // The build tree's scratch folder, unless a reviewer running the built
    // programs names another (on a disk file system: tags need xattrs).
    const char* chosen = std::getenv("OLVA_TEST_TMP");
    std::filesystem::path root = chosen && *chosen ? chosen : OLVA_TEST_TMP_ROOT;
    std::filesystem::create_directories(root);
    std::string pattern = (root / "t-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    if (value) setenv(name_.c_str(), value->c_str(), 1);
    else unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv()
{
    if (previous_) setenv(name_.c_str(), previous_->c_str(), 1);
    else unsetenv(name_.c_str());
}

PrivateBus::PrivateBus()
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        // A test that crashes must not leave its bus behind: it would hold
        // the test's output open and keep whoever reads it waiting.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(pipe[1], 3);
        ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=3", nullptr);
        ::_exit(127);
    }
    ::close(pipe[1]);
    // The daemon prints its address once it listens; end of file means it
    // could not start.
    char c;
    while (pid_ > 0 && ::read(pipe[0], &c, 1) == 1 && c != '\n') address_ += c;
    ::close(pipe[0]);
}

PrivateBus::~PrivateBus()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

FileSizeLimit::FileSizeLimit(unsigned long bytes)
{
    // The signal would end the process; ignored, the write returns EFBIG.
    handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    previous_ = limit.rlim_cur;
    limit.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = previous_;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, handler_);
}

DirectoryLockHolder::DirectoryLockHolder(const std::filesystem::path& dir)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        // Only calls that are safe after a fork of a threaded process.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        char answer = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
        if (::write(pipe[1], &answer, 1) != 1 || answer != 'y') ::_exit(1);
        for (;;) ::pause();
    }
    ::close(pipe[1]);
    char answer = 'n';
    if (pid_ < 0 || ::read(pipe[0], &answer, 1) != 1 || answer != 'y') {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    ::close(pipe[0]);
}

DirectoryLockHolder::~DirectoryLockHolder()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace olva::test
