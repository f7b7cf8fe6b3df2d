#include "OlvaApp/RuleSheet/ActionsEditor.h"

#include "OlvaApp/ConditionsEditor/RowLayout.h"
#include "OlvaApp/RuleSheet/ActionKinds.h"
#include "OlvaApp/RuleSheet/ActionRow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace olva::app {

ActionsEditor::ActionsEditor(Model& model, std::vector<Action> actions, QWidget* parent)
    : QWidget(parent), model_(model), actions_(std::move(actions)), rowsLayout_(new QVBoxLayout),
      addAction_(new QPushButton(tr("Add Action"), this))
{
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(8);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(8);
    layout->addLayout(rowsLayout_);
    layout->addWidget(addAction_, 0, Qt::AlignLeft);
    connect(addAction_, &QPushButton::clicked, this, [this] { insert(static_cast<int>(actions_.size())); });
    setAccessibleName(tr("Actions"));
    rebuild();
}

void ActionsEditor::rebuild(int focusRow)
{
    for (const Row& row : rows_) {
        QWidget* line = row.editor->parentWidget();
        line->hide();
        rowsLayout_->removeWidget(line);
        line->deleteLater();
    }
    rows_.clear();

    const bool removable = actions_.size() > 1;
    for (int i = 0; i < static_cast<int>(actions_.size()); ++i) {
        auto* line = new QWidget(this);
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        Row row;
        row.editor = new ActionRow(model_, actions_[i], line);
        row.remove = makeRowButton("minus", tr("Remove"), line);
        row.add = makeRowButton("plus", tr("Add"), line);
        row.remove->setEnabled(removable);
        // Every row has the same two buttons: their names say which row.
        row.remove->setAccessibleName(tr("Remove Action in row %1").arg(i + 1));
        row.add->setAccessibleName(tr("Add Action after row %1").arg(i + 1));
        layout->addWidget(row.editor, 1);
        layout->addWidget(row.remove, 0, Qt::AlignTop);
        layout->addWidget(row.add, 0, Qt::AlignTop);
        // Positions are fixed until the next rebuild, which every insert and
        // removal makes.
        connect(row.editor, &ActionRow::actionEdited, this, [this, i, editor = row.editor] {
            actions_[i] = editor->action();
            emit actionsChanged();
        });
        connect(row.editor, &ActionRow::kindChosen, this, [this, i](Action::Kind kind) { replaceKind(i, kind); });
        connect(row.remove, &QToolButton::clicked, this, [this, i] { remove(i); });
        connect(row.add, &QToolButton::clicked, this, [this, i] { insert(i + 1); });
        rowsLayout_->addWidget(line);
        line->show();  // at once, not when the layout gets round to it
        rows_.push_back(row);
    }
    addAction_->setVisible(actions_.empty());
    if (focusRow >= 0 && focusRow < static_cast<int>(rows_.size()))
        rows_[focusRow].editor->kindBox()->setFocus(Qt::TabFocusReason);
    else if (actions_.empty() && focusRow >= 0)
        addAction_->setFocus(Qt::TabFocusReason);
}

void ActionsEditor::refreshAccess()
{
    for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i].editor->setAction(actions_[i]);
}

void ActionsEditor::insert(int at)
{
    actions_.insert(actions_.begin() + at, defaultAction(Action::Kind::move));
    rebuild(at);
    emit actionsChanged();
}

void ActionsEditor::remove(int at)
{
    if (actions_.size() <= 1) return;
    actions_.erase(actions_.begin() + at);
    rebuild(std::min(at, static_cast<int>(actions_.size()) - 1));
    emit actionsChanged();
}

void ActionsEditor::replaceKind(int at, Action::Kind kind)
{
    // Nothing of the old action survives, not even a folder or a pattern.
    actions_[at] = defaultAction(kind);
    rebuild(at);
    emit actionsChanged();
}

}  // namespace olva::app
