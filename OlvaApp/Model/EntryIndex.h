// Where the entries of the activity list stand, by id, and how many steps
// later undo entries reverted of them: built once for a whole log, then
// extended with what each read appends, so that neither taking in a new
// entry nor looking entries up costs the length of the log.
#pragma once

#include "Core/model/Entry.h"

#include <cstddef>
#include <map>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace olva::app {

class EntryIndex {
public:
    // Takes in entries[from...], just appended to `entries` (the whole list,
    // of which the index already holds the part before `from`).
    void extend(std::span<const Entry> entries, std::size_t from);
    void clear();

    // The positions of the entries whose id is in `ids`, in log order. An id
    // logged twice gives both positions; an unknown one none.
    std::vector<std::size_t> positionsOf(const std::set<std::string>& ids) const;
    // The position of the first entry with `id`.
    const std::size_t* firstOf(const std::string& id) const;

private:
    std::unordered_map<std::string, std::size_t> first_;
    // Later positions of ids logged more than once: lines copied by hand.
    std::unordered_multimap<std::string, std::size_t> repeated_;
};

// Adds to `reverted` the steps that the undo entries among entries[from...]
// reverted of the entries they refer to (looked up in `index`, which holds
// them all); the counts revertedStepCounts gives for the whole list. Whether
// `reverted` changed.
bool addRevertedSteps(std::map<std::string, std::size_t>& reverted, std::span<const Entry> entries, std::size_t from,
                      const EntryIndex& index);

}  // namespace olva::app
