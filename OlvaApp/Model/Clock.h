// The time of day and delayed calls, injected so that tests can move time
// on instead of waiting for it.
#pragma once

#include "Core/base/Date.h"

#include <QObject>

#include <chrono>
#include <functional>

namespace olva::app {

class Clock {
public:
    virtual ~Clock() = default;

    virtual Date now() const = 0;
    // Calls `callback` on the GUI thread once `delay` has passed, unless
    // `context` is destroyed first.
    virtual void callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) = 0;
};

// The real clock: the system time and Qt's timers.
class SystemClock final : public Clock {
public:
    Date now() const override;
    void callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback) override;
};

}  // namespace olva::app
