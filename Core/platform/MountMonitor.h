// Tells when a volume was mounted or unmounted, and where.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace olva::platform {

class MountMonitor {
public:
    // Called with the mount points whose mount appeared, went away or
    // changed (its options, its source), each once.
    using Handler = std::function<void(const std::vector<std::string>& mountPoints)>;

    // `changed` is called on the monitor's own thread after the mount table
    // changed. Nothing when the mount table cannot be watched.
    static std::unique_ptr<MountMonitor> create(std::function<void()> changed);
    static std::unique_ptr<MountMonitor> create(Handler changed);
    ~MountMonitor();
    MountMonitor(const MountMonitor&) = delete;
    MountMonitor& operator=(const MountMonitor&) = delete;

private:
    struct State;
    explicit MountMonitor(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// The mount points of the lines that differ between two copies of
// /proc/self/mountinfo, each once.
std::vector<std::string> changedMountPoints(const std::string& before, const std::string& after);

}  // namespace olva::platform
