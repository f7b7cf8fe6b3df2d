#include "OlvaApp/ConditionsEditor/ConditionsEditor.h"

#include "OlvaApp/ConditionsEditor/AttributeFamily.h"
#include "OlvaApp/ConditionsEditor/ConditionRow.h"
#include "OlvaApp/ConditionsEditor/GroupRow.h"
#include "OlvaApp/ConditionsEditor/RowLayout.h"

#include <QComboBox>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace olva::app {

namespace {

// What a new row holds: the first attribute with its first test, no value.
Condition newCondition()
{
    const Attr attr = allAttrs().front();
    return Condition{attr, familyOf(attr).firstOperator(), {}};
}

bool sameShape(const std::vector<ConditionsEditor::Row>& rows, const std::vector<TreeRow>& shape)
{
    return std::equal(rows.begin(), rows.end(), shape.begin(), shape.end(),
                      [](const ConditionsEditor::Row& row, const TreeRow& place) { return row.place == place; });
}

}  // namespace

ConditionsEditor::ConditionsEditor(Group group, QWidget* parent)
    : QWidget(parent), group_(std::move(group)), scroll_(new QScrollArea(this)), content_(new QWidget),
      rowsLayout_(new QVBoxLayout(content_))
{
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(0);
    rowsLayout_->addStretch(1);
    scroll_->setWidget(content_);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    // The rows take the focus; the area around them is no stop of its own.
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    content_->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll_);
    setAccessibleName(tr("Conditions"));
    rebuild();
}

int ConditionsEditor::heightFor(const Group& group)
{
    return std::min(conditionRowHeight * rowCount(group), conditionsEditorMaxHeight);
}

void ConditionsEditor::setGroup(Group group)
{
    group_ = std::move(group);
    if (sameShape(rows_, treeRows(group_))) refreshRows();
    else rebuild();
}

void ConditionsEditor::rebuild()
{
    for (const Row& row : rows_) {
        row.widget->hide();
        row.widget->deleteLater();
    }
    for (const Row& row : rows_) rowsLayout_->removeWidget(row.widget);
    rows_.clear();

    int number = 0;
    for (const TreeRow& place : treeRows(group_)) {
        QWidget* widget = nullptr;
        ++number;
        if (place.isGroup) {
            auto* row = new GroupRow(place.depth(), !place.path.empty(), number, content_);
            const NodePath path = place.path;
            connect(row, &GroupRow::modeChosen, this, [this, path](Group::Mode mode) {
                groupAt(group_, path).mode = mode;
                changed();
            });
            connect(row, &GroupRow::addConditionRequested, this, [this, path] { addCondition(path); });
            connect(row, &GroupRow::addGroupRequested, this, [this, path] { addGroup(path); });
            connect(row, &GroupRow::removeRequested, this, [this, path] { remove(path); });
            widget = row;
        } else {
            auto* row = new ConditionRow(place.depth(), number, content_);
            const NodePath path = place.path;
            connect(row, &ConditionRow::attributeChosen, this, [this, row, path](Attr attr) {
                Condition& condition = conditionAt(group_, path);
                if (condition.attr == attr) return;
                // As a fresh row of the attribute: its first test, no value.
                condition = Condition{attr, familyOf(attr).firstOperator(), {}};
                row->setCondition(condition);
                changed();
            });
            connect(row, &ConditionRow::operatorChosen, this, [this, row, path](Op op) {
                Condition& condition = conditionAt(group_, path);
                if (condition.op == op) return;
                condition.op = op;
                row->setCondition(condition);
                changed();
            });
            connect(row, &ConditionRow::valueEdited, this, [this, path](const QString& value) {
                conditionAt(group_, path).value = value.toStdString();
                changed();
            });
            connect(row, &ConditionRow::removeRequested, this, [this, path] { remove(path); });
            widget = row;
        }
        rowsLayout_->insertWidget(rowsLayout_->count() - 1, widget);
        widget->show();  // at once, not when the layout gets round to it
        rows_.push_back({place, widget});
    }
    refreshRows();
    setFixedHeight(heightFor(group_));
}

void ConditionsEditor::refreshRows()
{
    for (const Row& row : rows_) {
        if (row.place.isGroup) static_cast<GroupRow*>(row.widget)->setMode(groupAt(group_, row.place.path).mode);
        else static_cast<ConditionRow*>(row.widget)->setCondition(conditionAt(group_, row.place.path));
    }
}

void ConditionsEditor::changed() { emit groupChanged(); }

NodePath ConditionsEditor::append(const NodePath& path, Node node)
{
    Group& group = groupAt(group_, path);
    group.items.push_back(std::move(node));
    NodePath added = path;
    added.push_back(static_cast<int>(group.items.size()) - 1);
    rebuild();
    changed();
    return added;
}

void ConditionsEditor::addCondition(const NodePath& path)
{
    if (ConditionRow* row = conditionRow(append(path, newCondition()))) {
        row->attributeBox()->setFocus(Qt::TabFocusReason);
        scroll_->ensureWidgetVisible(row);
    }
}

void ConditionsEditor::addGroup(const NodePath& path)
{
    // Like the compound row the platform adds: all of one new condition.
    if (GroupRow* row = groupRow(append(path, Group{Group::Mode::all, {Node(newCondition())}}))) {
        row->modeBox()->setFocus(Qt::TabFocusReason);
        scroll_->ensureWidgetVisible(row);
    }
}

void ConditionsEditor::remove(const NodePath& path)
{
    if (path.empty()) return;  // the root group stays
    removeAt(group_, path);
    rebuild();
    changed();
    // Focus stays in the editor, on the group that held the row.
    if (GroupRow* row = groupRow(NodePath(path.begin(), path.end() - 1)))
        row->addConditionButton()->setFocus(Qt::TabFocusReason);
}

QWidget* ConditionsEditor::rowWidget(const NodePath& path) const
{
    auto found =
        std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) { return row.place.path == path; });
    return found == rows_.end() ? nullptr : found->widget;
}

GroupRow* ConditionsEditor::groupRow(const NodePath& path) const
{
    return qobject_cast<GroupRow*>(rowWidget(path));
}

ConditionRow* ConditionsEditor::conditionRow(const NodePath& path) const
{
    return qobject_cast<ConditionRow*>(rowWidget(path));
}

}  // namespace olva::app
