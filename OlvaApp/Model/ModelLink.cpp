#include "OlvaApp/Model/ModelLink.h"

namespace olva::app {

void ModelLink::post(std::function<void()> work)
{
    std::lock_guard lock(mutex_);
    if (target_) QMetaObject::invokeMethod(target_, std::move(work), Qt::QueuedConnection);
}

void ModelLink::cut()
{
    std::lock_guard lock(mutex_);
    target_ = nullptr;
}

}  // namespace olva::app
