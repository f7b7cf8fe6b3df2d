// Tells the owner when another process changed the rules file.
#pragma once

#include "Core/Store.h"

#include <functional>
#include <memory>

namespace olva {

namespace platform {
class Watcher;
}

class RulesWatcher {
public:
    // `changed` is called on the watcher's own thread whenever an event names
    // rules.json and its bytes differ from those the store last read or
    // wrote, until the owner reloads. Watches for as long as it lives.
    RulesWatcher(std::shared_ptr<Store> store, std::function<void()> changed);
    ~RulesWatcher();
    RulesWatcher(const RulesWatcher&) = delete;
    RulesWatcher& operator=(const RulesWatcher&) = delete;

private:
    std::unique_ptr<platform::Watcher> watcher_;
};

}  // namespace olva
