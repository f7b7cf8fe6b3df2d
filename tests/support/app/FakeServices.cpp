#include "tests/support/app/FakeServices.h"

#include <algorithm>

namespace olva::test {

std::optional<std::filesystem::path> FakePanels::choose(const app::OpenPanelRequest& request)
{
    requests.push_back(request);
    if (whileOpen) whileOpen();
    if (answers_.empty()) return std::nullopt;
    auto choice = std::move(answers_.front());
    answers_.pop_front();
    return choice;
}

// Whole seconds, as the log stores dates, so that entries made "now" compare
// as the model sees them.
FakeClock::FakeClock()
    : now_(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()))
{
}

void FakeClock::callAfter(std::chrono::milliseconds delay, QObject* context, std::function<void()> callback)
{
    calls_.push_back({now_ + delay, context, std::move(callback)});
}

void FakeClock::advance(std::chrono::milliseconds by)
{
    const Date until = now_ + by;
    for (;;) {
        auto next = std::min_element(calls_.begin(), calls_.end(),
                                     [](const Call& a, const Call& b) { return a.due < b.due; });
        if (next == calls_.end() || next->due > until) break;
        Call call = std::move(*next);
        calls_.erase(next);
        now_ = std::max(now_, call.due);
        if (call.context) call.callback();
    }
    now_ = until;
}

}  // namespace olva::test
