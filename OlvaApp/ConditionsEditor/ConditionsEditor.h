// The rule's conditions as rows: a compound row for each group (all, any or
// none of the rows below it must hold) and a row for each condition, nested
// groups indented below their compound row. It edits its own copy of the
// group and reports every change at once, keystroke by keystroke. Rows are
// made again only when the tree's shape changes (a row added or removed),
// so typing into a value field never loses focus.
#pragma once

#include "Core/model/Model.h"
#include "OlvaApp/ConditionsEditor/GroupTree.h"

#include <QWidget>

#include <vector>

class QScrollArea;
class QVBoxLayout;

namespace olva::app {

class ConditionRow;
class GroupRow;

class ConditionsEditor : public QWidget {
    Q_OBJECT

public:
    explicit ConditionsEditor(Group group = {}, QWidget* parent = nullptr);

    const Group& group() const { return group_; }
    // Shows another group, keeping the rows when the shape is the same.
    void setGroup(Group group);

    // The height for a group's rows: one row height each, at most the
    // editor's most; beyond that the rows scroll.
    static int heightFor(const Group& group);

    // The rows as shown, in order, with their widgets (a GroupRow or a
    // ConditionRow).
    struct Row {
        TreeRow place;
        QWidget* widget = nullptr;
    };
    const std::vector<Row>& rows() const { return rows_; }
    GroupRow* groupRow(const NodePath& path) const;
    ConditionRow* conditionRow(const NodePath& path) const;

signals:
    // The group changed through the editor.
    void groupChanged();

private:
    void rebuild();
    void refreshRows();
    void changed();
    // Adds `node` at the end of the group at `group` and gives its path.
    NodePath append(const NodePath& group, Node node);
    void addCondition(const NodePath& group);
    void addGroup(const NodePath& group);
    void remove(const NodePath& path);
    QWidget* rowWidget(const NodePath& path) const;

    Group group_;
    std::vector<Row> rows_;
    QScrollArea* scroll_;
    QWidget* content_;
    QVBoxLayout* rowsLayout_;
};

}  // namespace olva::app
