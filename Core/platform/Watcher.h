// Reports which paths changed under a set of folders, in batches. Built on
// inotify: each folder and its non-hidden, non-package subdirectories down to
// the folder's depth are watched, new subdirectories are taken in as they
// appear and renamed ones are followed. A folder that does not exist, or goes
// away, is waited for: when it is made again it is watched and reported.
// Events are only hints that something changed near a path; whoever receives
// them looks at the disk itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace olva::platform {

class Watcher {
public:
    struct Root {
        std::string path;        // absolute and resolved
        std::int64_t depth = 0;  // subdirectory levels watched below it
    };
    // Called on the watcher's own thread with the changed paths of one batch,
    // each at most once, in the order they were first seen. When events were
    // lost, the roots themselves are reported; so is a root that goes away or
    // comes back.
    using Handler = std::function<void(std::vector<std::string> paths)>;
    // Called on the watcher's thread (or during creation) with one line
    // saying why something could not be watched.
    using Diagnostic = std::function<void(const std::string& line)>;

    // Nothing when the kernel refuses an inotify instance. Roots that cannot
    // be watched are left out (with a diagnostic when a limit was reached).
    static std::unique_ptr<Watcher> create(std::vector<Root> roots, Handler handler,
                                           Diagnostic diagnostic = {},
                                           std::chrono::milliseconds latency = std::chrono::milliseconds(500));
    // Stops watching; the handler is not called any more once this returns.
    ~Watcher();
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

private:
    struct State;
    explicit Watcher(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace olva::platform
