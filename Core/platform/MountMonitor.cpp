#include "Core/platform/MountMonitor.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/StoppableThread.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace olva::platform {

namespace {

// The whole table; the kernel flags the file with POLLPRI after a change,
// and a read from the start gives the new table.
std::string readTable(int fd)
{
    if (::lseek(fd, 0, SEEK_SET) < 0) return {};
    return readToEnd(fd).value_or(std::string());
}

}  // namespace

struct MountMonitor::State {
    std::function<void()> changed;
    int fd = -1;
    std::string table;
    StoppableThread reader;

    ~State()
    {
        if (fd >= 0) ::close(fd);
    }

    void run()
    {
        for (;;) {
            pollfd fds[2] = {{fd, POLLPRI, 0}, {reader.stopDescriptor(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents) return;
            if (fds[0].revents & (POLLPRI | POLLERR)) {
                std::string now = readTable(fd);
                if (now != table) {
                    table = std::move(now);
                    if (changed) changed();
                }
            }
        }
    }
};

MountMonitor::MountMonitor(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<MountMonitor> MountMonitor::create(std::function<void()> changed)
{
    auto state = std::make_unique<State>();
    state->changed = std::move(changed);
    state->fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (state->fd < 0 || !state->reader.valid()) return nullptr;
    state->table = readTable(state->fd);
    State* raw = state.get();
    state->reader.start([raw] { raw->run(); });
    return std::unique_ptr<MountMonitor>(new MountMonitor(std::move(state)));
}

MountMonitor::~MountMonitor()
{
    // Before the state closes what the thread reads.
    state_->reader.stop();
}

}  // namespace olva::platform
