// The runs of rules of the last minute, for the loop guard: how many each
// file had. Files are known by a hash of their identity key. What it holds
// lives in blocks of its own, let go as a whole once the last run is old
// enough, so that a burst of runs leaves nothing behind once it is over.
#pragma once

#include "Core/base/Date.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <memory_resource>
#include <utility>
#include <vector>

namespace olva {

class RecentRuns {
public:
    // Forgets the runs more than `window` before `now` (one exactly `window`
    // before stays), then counts a run of the file at `now`; the file's runs
    // left, this one included.
    std::size_t add(std::uint64_t file, Date now, Date::duration window);
    void forget(Date now, Date::duration window);
    // Files with runs in memory.
    std::size_t files() const { return held_ ? held_->used : 0; }

private:
    // The counts are an open table (a slot of a file holds a count above
    // zero): a pass that handles a hundred thousand files counts each once,
    // which a table of nodes makes cost an allocation and a few cache
    // misses apiece.
    struct Slot {
        std::uint64_t file = 0;
        std::uint32_t count = 0;
    };
    struct Held {
        std::pmr::unsynchronized_pool_resource pool;
        std::pmr::deque<std::pair<Date, std::uint64_t>> runs{&pool};  // oldest first
        std::vector<Slot> slots = std::vector<Slot>(64);              // a power of two in size
        std::size_t used = 0;
    };
    static std::size_t home(const Held& held, std::uint64_t file);
    static Slot* find(Held& held, std::uint64_t file);
    static void erase(Held& held, Slot* slot);
    static void grow(Held& held);
    std::unique_ptr<Held> held_;
};

}  // namespace olva
