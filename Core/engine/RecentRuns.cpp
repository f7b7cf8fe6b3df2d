#include "Core/engine/RecentRuns.h"

namespace olva {

void RecentRuns::forget(Date now, Date::duration window)
{
    if (!held_) return;
    auto& runs = held_->runs;
    while (!runs.empty() && now - runs.front().first > window) {
        auto count = held_->counts.find(runs.front().second);
        if (count != held_->counts.end() && --count->second == 0) held_->counts.erase(count);
        runs.pop_front();
    }
    if (runs.empty()) held_.reset();
}

std::size_t RecentRuns::add(std::uint64_t file, Date now, Date::duration window)
{
    forget(now, window);
    if (!held_) held_ = std::make_unique<Held>();
    held_->runs.emplace_back(now, file);
    return ++held_->counts[file];
}

}  // namespace olva
