#include "Core/platform/Watcher.h"

#include "Core/base/Paths.h"
#include "Core/platform/LinksOnTheWay.h"
#include "Core/platform/Package.h"
#include "Core/platform/StoppableThread.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

namespace olva::platform {

namespace {

constexpr std::uint32_t dirMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                  IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Milliseconds between reads of the events while a batch gathers; the
// kernel's queue (16,384 events by default) holds far more than come in
// that time.
constexpr int kReadEvery = 25;

bool isHidden(std::string_view name) { return !name.empty() && name.front() == '.'; }

}  // namespace

struct Watcher::State {
    std::vector<Root> roots;
    BatchHandler handler;
    // Whether the handler wants the attribute changes (each costs a stat).
    bool attributes = false;
    Diagnostic diagnostic;
    std::chrono::milliseconds latency{500};
    int fd = -1;
    StoppableThread reader;

    struct Watch {
        std::string path;
        std::int64_t remaining = 0;  // levels of subdirectories below it still watched
        bool isRoot = false;
        bool retired = false;        // removed by us; its last events are ignored
        bool ancestorOnly = false;   // only there to see a missing root come back
    };
    std::map<int, Watch> watches;
    std::map<std::string, int> byPath;
    bool limitReported = false;
    // Roots that do not exist are waited for on their nearest existing
    // ancestor; set when that may have changed.
    std::set<std::string> awaited;
    bool recheck = false;
    // Per link on the way to a root (its directory's real path and its
    // name), the roots reached through it; and the directories holding them.
    std::unordered_map<std::string, std::vector<std::string>> links;
    std::set<std::string> linkDirectories;

    std::vector<std::string> pending;
    // Per pending path, whether only its attributes changed.
    std::unordered_map<std::string, bool> pendingSet;
    std::chrono::steady_clock::time_point lastDelivery{};

    ~State()
    {
        if (fd >= 0) ::close(fd);
    }

    void report(const std::string& path, bool attributesOnly = false)
    {
        auto [it, added] = pendingSet.try_emplace(path, attributesOnly);
        if (added) pending.push_back(path);
        else it->second = it->second && attributesOnly;
    }

    void reportRoots()
    {
        for (const auto& root : roots) report(root.path);
    }

    void limitReached(const std::string& path, int error)
    {
        if (limitReported || !diagnostic) return;
        limitReported = true;
        diagnostic("cannot watch " + path + ": " + std::strerror(error) +
                   "; raise the sysctl fs.inotify.max_user_watches (and fs.inotify.max_user_instances);"
                   " until then changes are found by the periodic rescan");
    }

    // Watches one directory; the descriptor, or -1.
    int addWatch(const std::string& path, std::int64_t remaining, bool isRoot, bool ancestorOnly = false)
    {
        std::uint32_t mask = dirMask | (isRoot ? 0u : std::uint32_t(IN_DONT_FOLLOW));
        int wd = ::inotify_add_watch(fd, path.c_str(), mask);
        if (wd < 0) {
            if (errno == ENOSPC || errno == EMFILE || errno == ENOMEM) limitReached(path, errno);
            return -1;
        }
        auto [it, inserted] = watches.try_emplace(wd);
        Watch& watch = it->second;
        if (!inserted && watch.path != path) {
            // The same directory under a new name: its old path is stale.
            if (auto old = byPath.find(watch.path); old != byPath.end() && old->second == wd) byPath.erase(old);
            watch.remaining = remaining;
        } else {
            watch.remaining = inserted ? remaining : std::max(watch.remaining, remaining);
        }
        watch.ancestorOnly = (inserted || watch.retired || watch.ancestorOnly) && ancestorOnly;
        watch.path = path;
        watch.isRoot = watch.isRoot || isRoot;
        watch.retired = false;
        byPath[path] = wd;
        return wd;
    }

    // Watches a directory and its subdirectories within `remaining` levels,
    // after which it lists them, so nothing created in between is missed.
    // With `announce`, every entry found is reported.
    void addTree(const std::string& path, std::int64_t remaining, bool isRoot, bool announce,
                 std::set<int>* added = nullptr)
    {
        int wd = addWatch(path, remaining, isRoot);
        if (wd < 0) return;
        if (added) added->insert(wd);
        if (remaining <= 0 && !announce) return;
        DIR* dir = ::opendir(path.c_str());
        if (!dir) return;
        std::vector<std::string> subdirectories;
        while (dirent* entry = ::readdir(dir)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            std::string child = path + "/" + std::string(name);
            if (announce) report(child);
            if (remaining <= 0 || isHidden(name)) continue;
            bool directory = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat info {};
                directory = ::lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
            }
            if (directory && !isPackage(name)) subdirectories.push_back(std::move(child));
        }
        ::closedir(dir);
        for (const auto& child : subdirectories) addTree(child, remaining - 1, false, announce, added);
    }

    void retire(int wd)
    {
        auto it = watches.find(wd);
        if (it == watches.end() || it->second.retired || it->second.isRoot) return;
        ::inotify_rm_watch(fd, wd);
        it->second.retired = true;
        if (auto old = byPath.find(it->second.path); old != byPath.end() && old->second == wd) byPath.erase(old);
    }

    // The descriptors of a directory and everything watched below it.
    std::vector<int> subtree(const std::string& path) const
    {
        std::vector<int> result;
        if (auto it = byPath.find(path); it != byPath.end()) result.push_back(it->second);
        for (auto it = byPath.lower_bound(path + "/"); it != byPath.end() && isInside(it->first, path); ++it)
            result.push_back(it->second);
        return result;
    }

    void rewalk()
    {
        for (const auto& root : roots) addTree(root.path, root.depth, true, false);
        for (const auto& directory : linkDirectories) addWatch(directory, 0, false, true);
        recheck = true;
    }

    void findLinks()
    {
        for (const auto& root : roots) {
            if (root.given.empty() || root.given == root.path) continue;
            for (auto& link : linksOnTheWay(root.given)) {
                linkDirectories.insert(parentOf(link));
                auto& reached = links[link];
                if (std::find(reached.begin(), reached.end(), root.path) == reached.end()) reached.push_back(root.path);
            }
        }
    }

    bool watchesRoot(const std::string& path) const
    {
        auto it = byPath.find(path);
        if (it == byPath.end()) return false;
        const Watch& watch = watches.at(it->second);
        return watch.isRoot && !watch.ancestorOnly && !watch.retired;
    }

    static bool isDirectory(const std::string& path)
    {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    static std::string parentOf(const std::string& path)
    {
        auto slash = path.rfind('/');
        return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
    }

    // The nearest directory above `path` that exists.
    static std::string existingAncestor(const std::string& path)
    {
        std::string ancestor = parentOf(path);
        while (ancestor != "/" && !isDirectory(ancestor)) ancestor = parentOf(ancestor);
        return ancestor;
    }

    // A root that is back is watched with its tree and reported, so that its
    // folder is looked at at once; one still missing is waited for on its
    // nearest existing ancestor. The ancestor is watched before the root is
    // looked for again, so a root made in between is not missed.
    void checkRoots()
    {
        recheck = false;
        std::set<std::string> ancestors;
        for (const auto& root : roots) {
            if (watchesRoot(root.path)) {
                awaited.erase(root.path);
                continue;
            }
            for (int attempt = 0; attempt < 8; ++attempt) {
                if (isDirectory(root.path)) {
                    addTree(root.path, root.depth, true, false);
                    if (watchesRoot(root.path)) {
                        if (awaited.erase(root.path)) report(root.path);
                        break;
                    }
                }
                awaited.insert(root.path);
                std::string ancestor = existingAncestor(root.path);
                if (addWatch(ancestor, 0, false, true) >= 0 && existingAncestor(root.path) == ancestor &&
                    !isDirectory(root.path)) {
                    ancestors.insert(ancestor);
                    break;
                }
            }
        }
        // Ancestors no missing root needs any more.
        std::vector<int> unneeded;
        for (const auto& [wd, watch] : watches)
            if (watch.ancestorOnly && !watch.retired && !ancestors.contains(watch.path) &&
                !linkDirectories.contains(watch.path))
                unneeded.push_back(wd);
        for (int wd : unneeded) retire(wd);
    }

    // Whether `path` lies on the way to a missing root, or is one.
    bool leadsToAwaited(const std::string& path) const
    {
        return std::any_of(awaited.begin(), awaited.end(),
                           [&](const std::string& root) { return root == path || isInside(root, path); });
    }

    void handle(const char* buffer, ssize_t length)
    {
        std::map<std::uint32_t, std::string> movedAway;  // cookie -> old path of a directory
        for (const char* p = buffer; p < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + event->len;

            if (event->mask & IN_Q_OVERFLOW) {
                reportRoots();
                rewalk();
                continue;
            }
            auto it = watches.find(event->wd);
            if (it == watches.end()) {
                // Events for a descriptor we never knew: something was lost.
                reportRoots();
                continue;
            }
            if (event->mask & IN_IGNORED) {
                if (auto old = byPath.find(it->second.path); old != byPath.end() && old->second == event->wd)
                    byPath.erase(old);
                bool wasRoot = it->second.isRoot && !it->second.retired && !it->second.ancestorOnly;
                if (!it->second.retired && (it->second.isRoot || it->second.ancestorOnly)) recheck = true;
                std::string path = it->second.path;
                watches.erase(it);
                if (wasRoot) report(path);
                continue;
            }
            if (it->second.retired) continue;
            const Watch watch = it->second;
            std::string_view name = event->len ? std::string_view(event->name) : std::string_view();
            std::string path = name.empty() ? watch.path : watch.path + "/" + std::string(name);

            if (!links.empty() && !name.empty())
                if (auto link = links.find(path); link != links.end())
                    for (const auto& root : link->second) report(root);

            if (watch.ancestorOnly) {
                // Nothing here is watched for itself: only a way back for a root.
                if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) || leadsToAwaited(path)) recheck = true;
                continue;
            }

            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
                // A subdirectory's parent reports it; a root is reported itself.
                if (watch.isRoot) {
                    report(watch.path);
                    if (event->mask & IN_MOVE_SELF) {
                        ::inotify_rm_watch(fd, event->wd);
                        watches[event->wd].retired = true;
                        if (auto old = byPath.find(watch.path); old != byPath.end() && old->second == event->wd)
                            byPath.erase(old);
                    }
                    recheck = true;
                }
                continue;
            }
            report(path, (event->mask & IN_ALL_EVENTS) == IN_ATTRIB);
            if (!awaited.empty() && leadsToAwaited(path)) recheck = true;
            if (!(event->mask & IN_ISDIR)) continue;

            bool enters = watch.remaining > 0 && !isHidden(name) && !isPackage(name);
            if (event->mask & IN_MOVED_FROM) {
                movedAway[event->cookie] = path;
            } else if (event->mask & IN_MOVED_TO) {
                std::vector<int> stale;
                if (auto from = movedAway.find(event->cookie); from != movedAway.end()) {
                    stale = subtree(from->second);
                    movedAway.erase(from);
                }
                std::set<int> kept;
                if (enters) addTree(path, watch.remaining - 1, false, true, &kept);
                for (int wd : stale)
                    if (!kept.contains(wd)) retire(wd);
            } else if (event->mask & IN_CREATE) {
                if (enters) addTree(path, watch.remaining - 1, false, true);
            }
        }
        // Directories moved out of the watched folders.
        for (const auto& [cookie, path] : movedAway)
            for (int wd : subtree(path)) retire(wd);
    }

    void deliver()
    {
        if (pending.empty()) return;
        Batch batch;
        batch.paths.swap(pending);
        if (attributes)
            for (const auto& path : batch.paths) {
                if (!pendingSet[path]) continue;
                // Looked at as the batch goes out: a change made since the
                // event shows in the status-change time.
                if (auto status = fileStatus(path))
                    batch.attributeChanges.push_back({path, status->device, status->inode, status->change});
            }
        pendingSet.clear();
        lastDelivery = batch.sent = std::chrono::steady_clock::now();
        if (handler) handler(std::move(batch));
    }

    void drain()
    {
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            ssize_t length = ::read(fd, buffer, sizeof buffer);
            if (length <= 0) break;
            handle(buffer, length);
        }
    }

    void run()
    {
        std::optional<std::chrono::steady_clock::time_point> deadline;
        for (;;) {
            int timeout = -1;
            if (deadline) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    *deadline - std::chrono::steady_clock::now());
                timeout = int(std::max<std::int64_t>(0, left.count() + 1));
            }
            if (deadline) {
                // A batch is gathering and goes out at its deadline whatever
                // comes meanwhile: a burst of events is read in a few gulps
                // rather than with a wake-up for each (which costs the
                // writers too).
                pollfd stop{reader.stopDescriptor(), POLLIN, 0};
                int ready = ::poll(&stop, 1, std::min(timeout, kReadEvery));
                if (ready < 0 && errno != EINTR) return;
                if (stop.revents) return;
                drain();
            } else {
                pollfd fds[2] = {{fd, POLLIN, 0}, {reader.stopDescriptor(), POLLIN, 0}};
                int ready = ::poll(fds, 2, timeout);
                if (ready < 0 && errno != EINTR) return;
                if (fds[1].revents) return;
                if (ready > 0 && (fds[0].revents & POLLIN)) drain();
            }
            if (recheck) checkRoots();
            auto now = std::chrono::steady_clock::now();
            if (pending.empty()) {
                deadline.reset();
            } else if (!deadline) {
                // After a quiet spell the first change goes out at once; the
                // ones that follow are gathered for one latency.
                if (now - lastDelivery >= latency) deliver();
                else deadline = lastDelivery + latency;
            } else if (now >= *deadline) {
                deliver();
                deadline.reset();
            }
        }
    }
};

Watcher::Watcher(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<Watcher> Watcher::create(std::vector<Root> roots, Handler handler, Diagnostic diagnostic,
                                         std::chrono::milliseconds latency)
{
    BatchHandler paths;
    if (handler) paths = [handler = std::move(handler)](Batch batch) { handler(std::move(batch.paths)); };
    return start(std::move(roots), std::move(paths), false, std::move(diagnostic), latency);
}

std::unique_ptr<Watcher> Watcher::create(std::vector<Root> roots, BatchHandler handler, Diagnostic diagnostic,
                                         std::chrono::milliseconds latency)
{
    bool attributes = bool(handler);
    return start(std::move(roots), std::move(handler), attributes, std::move(diagnostic), latency);
}

std::unique_ptr<Watcher> Watcher::start(std::vector<Root> roots, BatchHandler handler, bool attributes,
                                        Diagnostic diagnostic, std::chrono::milliseconds latency)
{
    auto state = std::make_unique<State>();
    state->roots = std::move(roots);
    state->attributes = attributes;
    state->handler = std::move(handler);
    state->diagnostic = std::move(diagnostic);
    state->latency = latency;
    // The first change goes out at once.
    state->lastDelivery = std::chrono::steady_clock::now() - latency;
    state->fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (state->fd < 0) {
        if (state->diagnostic)
            state->diagnostic(std::string("cannot watch folders: ") + std::strerror(errno) +
                              "; raise the sysctl fs.inotify.max_user_instances;"
                              " until then changes are found by the periodic rescan");
        return nullptr;
    }
    if (!state->reader.valid()) return nullptr;
    state->findLinks();
    state->rewalk();
    state->checkRoots();
    State* raw = state.get();
    state->reader.start([raw] { raw->run(); });
    return std::unique_ptr<Watcher>(new Watcher(std::move(state)));
}

void Watcher::finish()
{
    state_->reader.stop();
    if (state_->fd < 0) return;
    state_->drain();
    state_->deliver();
    state_->handler = nullptr;
}

Watcher::~Watcher()
{
    // Before the state closes what the thread reads.
    state_->reader.stop();
}

}  // namespace olva::platform
