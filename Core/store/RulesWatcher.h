// Tells the owner when another process changed the rules file, and when the
// data folder itself went away or came back.
#pragma once

#include "Core/store/Store.h"

#include <functional>
#include <memory>

namespace olva {

namespace platform {
class Watcher;
}

class RulesWatcher {
public:
    // Called with whether the data folder is there, whenever the watcher
    // names the folder itself: it went away, came back, or events were lost.
    using FolderCallback = std::function<void(bool present)>;

    // `changed` is called on the watcher's own thread whenever an event names
    // rules.json or the data folder itself, the folder is there, and the
    // file's bytes differ from those the store last read or wrote, until the
    // owner reloads. `folder`, when given, is called on the same thread
    // before that; once the folder is gone, the files the store keeps open
    // in it are let go. Watches for as long as it lives.
    RulesWatcher(std::shared_ptr<Store> store, std::function<void()> changed, FolderCallback folder = {});
    ~RulesWatcher();
    RulesWatcher(const RulesWatcher&) = delete;
    RulesWatcher& operator=(const RulesWatcher&) = delete;

private:
    std::unique_ptr<platform::Watcher> watcher_;
};

}  // namespace olva
