#include "OlvaApp/ConditionsEditor/GroupTree.h"

#include <cassert>

namespace olva::app {

namespace {

void appendRows(const Group& group, NodePath& path, std::vector<TreeRow>& rows)
{
    rows.push_back({path, true});
    for (std::size_t i = 0; i < group.items.size(); ++i) {
        path.push_back(static_cast<int>(i));
        const Node& item = group.items[i];
        if (item.isGroup()) appendRows(item.group(), path, rows);
        else rows.push_back({path, false});
        path.pop_back();
    }
}

const Node& nodeAt(const Group& root, const NodePath& path)
{
    assert(!path.empty());
    const Group* group = &root;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) group = &group->items.at(path[i]).group();
    return group->items.at(path.back());
}

}  // namespace

std::vector<TreeRow> treeRows(const Group& root)
{
    std::vector<TreeRow> rows;
    NodePath path;
    appendRows(root, path, rows);
    return rows;
}

int rowCount(const Group& group)
{
    int count = 1;
    for (const Node& item : group.items) count += item.isGroup() ? rowCount(item.group()) : 1;
    return count;
}

Group& groupAt(Group& root, const NodePath& path)
{
    if (path.empty()) return root;
    return const_cast<Node&>(nodeAt(root, path)).group();
}

const Condition& conditionAt(const Group& root, const NodePath& path) { return nodeAt(root, path).condition(); }

Condition& conditionAt(Group& root, const NodePath& path)
{
    return const_cast<Node&>(nodeAt(root, path)).condition();
}

void removeAt(Group& root, const NodePath& path)
{
    assert(!path.empty());
    Group& parent = groupAt(root, NodePath(path.begin(), path.end() - 1));
    parent.items.erase(parent.items.begin() + path.back());
}

}  // namespace olva::app
