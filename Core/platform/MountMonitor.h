// Tells when a volume was mounted or unmounted.
#pragma once

#include <functional>
#include <memory>

namespace olva::platform {

class MountMonitor {
public:
    // `changed` is called on the monitor's own thread after the mount table
    // changed. Nothing when the mount table cannot be watched.
    static std::unique_ptr<MountMonitor> create(std::function<void()> changed);
    ~MountMonitor();
    MountMonitor(const MountMonitor&) = delete;
    MountMonitor& operator=(const MountMonitor&) = delete;

private:
    struct State;
    explicit MountMonitor(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace olva::platform
