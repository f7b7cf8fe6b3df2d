// The conditions editor's view of a condition tree: one row for each group
// (its own compound row) and one for each condition, in the order they are
// shown, each addressed by the positions leading to it from the root.
#pragma once

#include "Core/model/Model.h"

#include <vector>

namespace olva::app {

// Positions in the items of each group on the way down; empty for the root.
using NodePath = std::vector<int>;

struct TreeRow {
    NodePath path;
    bool isGroup = false;

    int depth() const { return static_cast<int>(path.size()); }
    friend bool operator==(const TreeRow&, const TreeRow&) = default;
};

// The rows the editor shows for `root`: the root's compound row first, then
// each item in order, a nested group's own rows right after its compound row.
std::vector<TreeRow> treeRows(const Group& root);

// How many rows the editor shows: 1 for a group's own row, 1 for each
// condition, and the rows of each nested group. An empty group has 1.
int rowCount(const Group& group);

// The group or condition a path names. The path must name one (it comes
// from treeRows of the same tree).
Group& groupAt(Group& root, const NodePath& path);
Condition& conditionAt(Group& root, const NodePath& path);
const Condition& conditionAt(const Group& root, const NodePath& path);

// Removes the item a non-empty path names.
void removeAt(Group& root, const NodePath& path);

}  // namespace olva::app
