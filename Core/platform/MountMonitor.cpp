#include "Core/platform/MountMonitor.h"

#include "Core/platform/Descriptor.h"
#include "Core/platform/StoppableThread.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>

namespace olva::platform {

namespace {

// The whole table; the kernel flags the file with POLLPRI after a change,
// and a read from the start gives the new table.
std::string readTable(int fd)
{
    if (::lseek(fd, 0, SEEK_SET) < 0) return {};
    return readToEnd(fd).value_or(std::string());
}

std::vector<std::string_view> sortedLines(std::string_view table)
{
    std::vector<std::string_view> lines;
    while (!table.empty()) {
        std::size_t end = std::min(table.find('\n'), table.size());
        if (end > 0) lines.push_back(table.substr(0, end));
        table.remove_prefix(std::min(end + 1, table.size()));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The fifth field, where the kernel writes a space, tab, newline or
// backslash of the path as three octal digits after a backslash.
std::string mountPointOf(std::string_view line)
{
    for (int field = 0; field < 4; ++field) {
        std::size_t space = line.find(' ');
        if (space == std::string_view::npos) return {};
        line.remove_prefix(space + 1);
    }
    line = line.substr(0, line.find(' '));
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string point;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 3 < line.size() && octal(line[i + 1]) && octal(line[i + 2]) && octal(line[i + 3])) {
            point += char((line[i + 1] - '0') * 64 + (line[i + 2] - '0') * 8 + (line[i + 3] - '0'));
            i += 3;
        } else {
            point += line[i];
        }
    }
    return point;
}

}  // namespace

std::vector<std::string> changedMountPoints(const std::string& before, const std::string& after)
{
    std::vector<std::string_view> old = sortedLines(before), now = sortedLines(after);
    std::vector<std::string_view> differing;
    std::set_symmetric_difference(old.begin(), old.end(), now.begin(), now.end(), std::back_inserter(differing));
    std::vector<std::string> points;
    for (auto line : differing) {
        std::string point = mountPointOf(line);
        if (!point.empty() && std::find(points.begin(), points.end(), point) == points.end())
            points.push_back(std::move(point));
    }
    return points;
}

struct MountMonitor::State {
    Handler changed;
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
                    std::vector<std::string> points = changedMountPoints(table, now);
                    table = std::move(now);
                    if (changed && !points.empty()) changed(points);
                }
            }
        }
    }
};

MountMonitor::MountMonitor(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<MountMonitor> MountMonitor::create(std::function<void()> changed)
{
    Handler any;
    if (changed) any = [changed = std::move(changed)](const std::vector<std::string>&) { changed(); };
    return create(std::move(any));
}

std::unique_ptr<MountMonitor> MountMonitor::create(Handler changed)
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
