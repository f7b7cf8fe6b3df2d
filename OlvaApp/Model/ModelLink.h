// Hands work from other threads (the engine's callbacks, the rules watcher)
// to an object on its own thread, queued, for as long as the object lets it.
// The owner cuts the link first thing when it is destroyed: from then on
// nothing more is posted, and what was posted before is dropped with the
// object's pending events.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace olva::app {

class ModelLink {
public:
    explicit ModelLink(QObject* target) : target_(target) {}

    // Runs `work` on the target's thread; nothing once the link is cut.
    void post(std::function<void()> work);
    void cut();

private:
    std::mutex mutex_;
    QObject* target_;
};

}  // namespace olva::app
