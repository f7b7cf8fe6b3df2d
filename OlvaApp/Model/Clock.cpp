#include "OlvaApp/Model/Clock.h"

#include <QTimer>

namespace olva::app {

Date SystemClock::now() const { return currentDate(); }

void SystemClock::callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback)
{
    QTimer::singleShot(delay, context, std::move(callback));
}

}  // namespace olva::app
