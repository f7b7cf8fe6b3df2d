#include "tests/support/PrivateMounts.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/Volumes.h"

#include <fcntl.h>
#include <linux/loop.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace olva::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Against a hang only: a mount or an unmount takes far less.
constexpr auto kDeadline = 30s;

std::string reason(const std::string& what) { return what + " (" + std::strerror(errno) + ")"; }

bool isMountPoint(const fs::path& point)
{
    std::ifstream file("/proc/self/mountinfo");
    std::stringstream text;
    text << file.rdbuf();
    std::error_code error;
    const fs::path real = fs::canonical(point, error);
    const auto mounts = platform::parseMountInfo(text.str());
    return std::any_of(mounts.begin(), mounts.end(), [&](const auto& mount) { return mount.mountPoint == real; });
}

// Starts a program with its output dropped; it gets SIGTERM should this
// process end first.
pid_t start(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const auto& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    pid_t child = ::fork();
    if (child != 0) return child;
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

bool run(const std::vector<std::string>& command)
{
    pid_t child = start(command);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool makeImage(const fs::path& image, int megabytes)
{
    platform::Descriptor fd(::open(image.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    return fd && ::ftruncate(fd.get(), off_t(megabytes) << 20) == 0;
}

// Waits for a child to end, killing it when it will not.
void reap(pid_t child)
{
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return;
        }
        std::this_thread::sleep_for(5ms);
    }
}

// A free loop device holding `image`, which frees itself once the last
// holder closes it; -1 when there is none to be had.
int attachLoop(const fs::path& image, std::string& why, std::string& device)
{
    platform::Descriptor control(::open("/dev/loop-control", O_RDWR | O_CLOEXEC));
    if (!control) {
        why = reason("no loop devices here");
        return -1;
    }
    platform::Descriptor backing(::open(image.c_str(), O_RDWR | O_CLOEXEC));
    if (!backing) {
        why = reason("cannot open the image");
        return -1;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        int number = ::ioctl(control.get(), LOOP_CTL_GET_FREE);
        if (number < 0) {
            why = reason("no free loop device");
            return -1;
        }
        std::string path = "/dev/loop" + std::to_string(number);
        platform::Descriptor loop(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        if (!loop) {
            why = reason("cannot open " + path);
            return -1;
        }
        loop_config config{};
        config.fd = static_cast<__u32>(backing.get());
        config.info.lo_flags = LO_FLAGS_AUTOCLEAR;
        if (::ioctl(loop.get(), LOOP_CONFIGURE, &config) == 0) {
            device = path;
            return loop.release();
        }
        if (errno != EBUSY) {
            why = reason("cannot set up " + path);
            return -1;
        }
    }
    why = "every loop device was taken";
    return -1;
}

}  // namespace

fs::path findProgram(const std::string& name)
{
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::stringstream folders(path);
    for (std::string folder; std::getline(folders, folder, ':');) {
        fs::path candidate = fs::path(folder) / name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

PrivateMounts::PrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        unavailable_ = std::string("cannot make a mount namespace of the test's own (unshare: ") +
                       std::strerror(errno) + ")";
        return;
    }
    // Without this the new namespace would still share mount events with
    // the one it came from.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        unavailable_ = std::string("cannot keep the test's mounts to itself (mount: ") + std::strerror(errno) + ")";
}

PrivateMounts::~PrivateMounts()
{
    for (auto it = mounted_.rbegin(); it != mounted_.rend(); ++it) release(*it);
}

void PrivateMounts::release(const Mounted& mount)
{
    if (::umount2(mount.point.c_str(), 0) != 0) ::umount2(mount.point.c_str(), MNT_DETACH);
    if (mount.daemon > 0) {
        ::kill(mount.daemon, SIGTERM);
        reap(mount.daemon);
    }
}

bool PrivateMounts::fail(std::string why)
{
    failure_ = std::move(why);
    return false;
}

bool PrivateMounts::mountTmpfs(const fs::path& point, const std::string& size)
{
    if (!unavailable_.empty()) return fail(unavailable_);
    if (::mount("tmpfs", point.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) return fail(reason("tmpfs"));
    mounted_.push_back({point});
    return true;
}

bool PrivateMounts::mountOverlay(const fs::path& lower, const fs::path& upper, const fs::path& work,
                                 const fs::path& point)
{
    if (!unavailable_.empty()) return fail(unavailable_);
    std::string options = "lowerdir=" + lower.string() + ",upperdir=" + upper.string() + ",workdir=" + work.string();
    if (::mount("overlay", point.c_str(), "overlay", 0, options.c_str()) != 0) return fail(reason("overlay"));
    mounted_.push_back({point});
    return true;
}

bool PrivateMounts::runFuse(const std::vector<std::string>& command, const fs::path& point)
{
    if (::access("/dev/fuse", R_OK | W_OK) != 0) return fail(reason("no /dev/fuse"));
    pid_t daemon = start(command);
    if (daemon < 0) return fail(reason("cannot start " + command.front()));
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (!isMountPoint(point)) {
        int status = 0;
        if (::waitpid(daemon, &status, WNOHANG) == daemon) return fail(command.front() + " could not mount");
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(daemon, SIGKILL);
            reap(daemon);
            return fail(command.front() + " never mounted");
        }
        std::this_thread::sleep_for(5ms);
    }
    mounted_.push_back({point, daemon});
    return true;
}

bool PrivateMounts::mountFat(const fs::path& image, const fs::path& point, int megabytes)
{
    if (!unavailable_.empty()) return fail(unavailable_);
    const fs::path mkfs = findProgram("mkfs.vfat"), fuse = findProgram("fusefat");
    if (mkfs.empty() || fuse.empty()) return fail("mkfs.vfat (dosfstools) or fusefat is not installed");
    if (!makeImage(image, megabytes) || !run({mkfs, image})) return fail("mkfs.vfat failed");
    return runFuse({fuse, "-f", "-o", "rw+", image, point}, point);
}

bool PrivateMounts::mountExfat(const fs::path& image, const fs::path& point, int megabytes)
{
    if (!unavailable_.empty()) return fail(unavailable_);
    const fs::path mkfs = findProgram("mkfs.exfat"), fuse = findProgram("mount.exfat-fuse");
    if (mkfs.empty() || fuse.empty()) return fail("mkfs.exfat (exfatprogs) or mount.exfat-fuse is not installed");
    if (!makeImage(image, megabytes) || !run({mkfs, image})) return fail("mkfs.exfat failed");
    std::string why, device;
    // Closed once the program holds the device, which then frees itself
    // when the program ends.
    platform::Descriptor loop(attachLoop(image, why, device));
    if (!loop) return fail(why);
    // In the foreground only with its debugging output, which goes nowhere.
    return runFuse({fuse, "-d", device, point}, point);
}

bool PrivateMounts::unmount(const fs::path& point)
{
    auto it = std::find_if(mounted_.begin(), mounted_.end(),
                           [&](const Mounted& mount) { return mount.point == point; });
    if (it == mounted_.end()) return false;
    if (::umount2(point.c_str(), 0) != 0) return false;
    if (it->daemon > 0) reap(it->daemon);
    mounted_.erase(it);
    return true;
}

}  // namespace olva::test
