// Reports which paths changed under a set of folders, in batches. Built on
// inotify: each folder and its non-hidden, non-package subdirectories down to
// the folder's depth are watched, new subdirectories are taken in as they
// appear and renamed ones are followed. A folder that does not exist, or goes
// away, is waited for: when it is made again it is watched and reported.
// A folder reached through symbolic links is also watched for those links
// being replaced, since its path then names another folder.
// Events are only hints that something changed near a path; whoever receives
// them looks at the disk itself.
#pragma once

#include "Core/platform/FileStatus.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace olva::platform {

class Watcher {
public:
    struct Root {
        Root(std::string path, std::int64_t depth = 0, std::string given = {})
            : path(std::move(path)), depth(depth), given(std::move(given))
        {
        }
        std::string path;        // absolute and resolved
        std::int64_t depth = 0;  // subdirectory levels watched below it
        // The path as it was given, before its links were resolved; when a
        // link on the way to `path` changes, `path` is reported.
        std::string given;
    };
    // A path reported only because its file's attributes (mode, owner,
    // extended attributes) changed, with the file as it was when the batch
    // went out, so that whoever made the change can tell it from another.
    struct AttributeChange {
        std::string path;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        Timestamp change;
    };
    struct Batch {
        std::vector<std::string> paths;
        std::vector<AttributeChange> attributeChanges;  // a subset of `paths`
        std::chrono::steady_clock::time_point sent;
    };
    // Called on the watcher's own thread with the changed paths of one batch,
    // each at most once, in the order they were first seen. When events were
    // lost, the roots themselves are reported; so is a root that goes away or
    // comes back.
    using Handler = std::function<void(std::vector<std::string> paths)>;
    using BatchHandler = std::function<void(Batch batch)>;
    // Called on the watcher's thread (or during creation) with one line
    // saying why something could not be watched.
    using Diagnostic = std::function<void(const std::string& line)>;

    // Nothing when the kernel refuses an inotify instance. Roots that cannot
    // be watched are left out (with a diagnostic when a limit was reached).
    static std::unique_ptr<Watcher> create(std::vector<Root> roots, Handler handler,
                                           Diagnostic diagnostic = {},
                                           std::chrono::milliseconds latency = std::chrono::milliseconds(500));
    // The same, handing over batches with the attribute changes in them.
    static std::unique_ptr<Watcher> create(std::vector<Root> roots, BatchHandler handler,
                                           Diagnostic diagnostic = {},
                                           std::chrono::milliseconds latency = std::chrono::milliseconds(500));
    // Stops watching, then hands what was seen but not yet sent to the
    // handler, on the calling thread, so that a watcher replaced by another
    // loses nothing. The handler is not called after this.
    void finish();
    // Stops watching; the handler is not called any more once this returns.
    ~Watcher();
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

private:
    struct State;
    explicit Watcher(std::unique_ptr<State> state);
    static std::unique_ptr<Watcher> start(std::vector<Root> roots, BatchHandler handler, bool attributes,
                                          Diagnostic diagnostic, std::chrono::milliseconds latency);
    std::unique_ptr<State> state_;
};

}  // namespace olva::platform
