#include "OlvaApp/Model/EntryIndex.h"

#include "Core/store/Log.h"

#include <algorithm>

namespace olva::app {

void EntryIndex::extend(std::span<const Entry> entries, std::size_t from)
{
    first_.reserve(entries.size());
    for (std::size_t i = from; i < entries.size(); ++i)
        if (!first_.emplace(entries[i].id, i).second) repeated_.emplace(entries[i].id, i);
}

void EntryIndex::clear()
{
    first_.clear();
    repeated_.clear();
}

std::vector<std::size_t> EntryIndex::positionsOf(const std::set<std::string>& ids) const
{
    std::vector<std::size_t> positions;
    positions.reserve(ids.size());
    for (const std::string& id : ids) {
        auto found = first_.find(id);
        if (found == first_.end()) continue;
        positions.push_back(found->second);
        if (repeated_.empty()) continue;
        auto [begin, end] = repeated_.equal_range(id);
        for (auto it = begin; it != end; ++it) positions.push_back(it->second);
    }
    std::sort(positions.begin(), positions.end());
    return positions;
}

const std::size_t* EntryIndex::firstOf(const std::string& id) const
{
    auto found = first_.find(id);
    return found == first_.end() ? nullptr : &found->second;
}

bool addRevertedSteps(std::map<std::string, std::size_t>& reverted, std::span<const Entry> entries, std::size_t from,
                      const EntryIndex& index)
{
    bool changed = false;
    for (std::size_t i = from; i < entries.size(); ++i) {
        const Entry& undo = entries[i];
        if (!undo.undoOf) continue;
        const std::size_t* original = index.firstOf(*undo.undoOf);
        if (!original) continue;
        // An undo that reverted nothing still counts its entry as touched.
        auto [count, added] = reverted.try_emplace(*undo.undoOf, 0);
        const std::size_t steps = stepsRevertedBy(undo, entries[*original]);
        count->second += steps;
        changed = changed || added || steps > 0;
    }
    return changed;
}

}  // namespace olva::app
