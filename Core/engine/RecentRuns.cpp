#include "Core/engine/RecentRuns.h"

namespace olva {

std::size_t RecentRuns::home(const Held& held, std::uint64_t file)
{
    // The files are hashes already; mixing them spreads runs of close ones.
    return std::size_t((file * 0x9E3779B97F4A7C15ull) >> 32) & (held.slots.size() - 1);
}

RecentRuns::Slot* RecentRuns::find(Held& held, std::uint64_t file)
{
    const std::size_t mask = held.slots.size() - 1;
    for (std::size_t at = home(held, file);; at = (at + 1) & mask) {
        Slot& slot = held.slots[at];
        if (slot.count == 0 || slot.file == file) return &slot;
    }
}

void RecentRuns::erase(Held& held, Slot* slot)
{
    // The slots after it that it stood in the way of move back, so that a
    // search never meets a gap before the slot it is after.
    const std::size_t mask = held.slots.size() - 1;
    std::size_t gap = std::size_t(slot - held.slots.data());
    slot->count = 0;
    --held.used;
    for (std::size_t at = (gap + 1) & mask; held.slots[at].count != 0; at = (at + 1) & mask) {
        const std::size_t wanted = home(held, held.slots[at].file);
        // Whether `wanted` lies cyclically outside (gap, at]: the slot may
        // then fill the gap.
        const bool outside = gap <= at ? (wanted <= gap || wanted > at) : (wanted <= gap && wanted > at);
        if (!outside) continue;
        held.slots[gap] = held.slots[at];
        held.slots[at].count = 0;
        gap = at;
    }
}

void RecentRuns::grow(Held& held)
{
    std::vector<Slot> old = std::exchange(held.slots, std::vector<Slot>(held.slots.size() * 2));
    for (const Slot& slot : old)
        if (slot.count != 0) *find(held, slot.file) = slot;
}

void RecentRuns::forget(Date now, Date::duration window)
{
    if (!held_) return;
    auto& runs = held_->runs;
    while (!runs.empty() && now - runs.front().first > window) {
        Slot* slot = find(*held_, runs.front().second);
        if (slot->count != 0 && --slot->count == 0) erase(*held_, slot);
        runs.pop_front();
    }
    if (runs.empty()) held_.reset();
}

std::size_t RecentRuns::add(std::uint64_t file, Date now, Date::duration window)
{
    forget(now, window);
    if (!held_) held_ = std::make_unique<Held>();
    held_->runs.emplace_back(now, file);
    Slot* slot = find(*held_, file);
    if (slot->count == 0) {
        // At most half full, so that searches stay short.
        if (2 * (held_->used + 1) > held_->slots.size()) {
            grow(*held_);
            slot = find(*held_, file);
        }
        slot->file = file;
        ++held_->used;
    }
    return ++slot->count;
}

}  // namespace olva
