#include "OlvaApp/ConditionsEditor/GroupRow.h"

#include "OlvaApp/ConditionsEditor/FieldBox.h"
#include "OlvaApp/ConditionsEditor/RowLayout.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>

namespace olva::app {

GroupRow::GroupRow(int depth, bool removable, int row, QWidget* parent)
    : QWidget(parent), row_(row), nested_(removable), mode_(new FieldBox(this)), addCondition_(new QToolButton(this)),
      addGroup_(new QToolButton(this))
{
    mode_->addItem(tr("All"), static_cast<int>(Group::Mode::all));
    mode_->addItem(tr("Any"), static_cast<int>(Group::Mode::any));
    mode_->addItem(tr("None"), static_cast<int>(Group::Mode::none));
    mode_->setAccessibleName(tr("Which conditions must hold"));
    mode_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* following = new QLabel(tr("of the following are true"), this);

    const std::pair<QToolButton*, QString> adders[] = {{addCondition_, tr("Add Condition")},
                                                       {addGroup_, tr("Add Group")}};
    for (const auto& [button, text] : adders) {
        button->setText(text);
        button->setIcon(symbolIcon("plus"));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::StrongFocus);
    }

    QBoxLayout* layout = makeRowLayout(this, depth);
    layout->addWidget(mode_);
    layout->addWidget(following);
    layout->addStretch(1);
    layout->addWidget(addCondition_);
    layout->addWidget(addGroup_);
    auto* remove = makeRowButton("minus", tr("Remove Group"), this);
    layout->addWidget(remove);
    if (removable) {
        remove_ = remove;
        connect(remove_, &QToolButton::clicked, this, &GroupRow::removeRequested);
    } else {
        // The root group stays; its row keeps the button's room so that the
        // columns of every row line up.
        QSizePolicy policy = remove->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        remove->setSizePolicy(policy);
        remove->hide();
    }

    connect(mode_, &QComboBox::activated, this, [this](int index) {
        nameButtons();
        emit modeChosen(static_cast<Group::Mode>(mode_->itemData(index).toInt()));
    });
    connect(addCondition_, &QToolButton::clicked, this, &GroupRow::addConditionRequested);
    connect(addGroup_, &QToolButton::clicked, this, &GroupRow::addGroupRequested);
    nameButtons();
}

void GroupRow::setMode(Group::Mode mode)
{
    QSignalBlocker blocker(mode_);
    mode_->setCurrentIndex(mode_->findData(static_cast<int>(mode)));
    nameButtons();
}

// Every group has the same three buttons: each says which group it acts
// on, by the group's words and, for a nested one, its row.
void GroupRow::nameButtons()
{
    //: The group a button acts on, as the row reads: “Any of the following”
    const QString group = tr("“%1 of the following”").arg(mode_->currentText());
    const QString place = nested_ ? tr("%1 in row %2").arg(group).arg(row_) : group;
    addCondition_->setAccessibleName(tr("Add Condition to %1").arg(place));
    addGroup_->setAccessibleName(tr("Add Group to %1").arg(place));
    if (remove_) remove_->setAccessibleName(tr("Remove Group %1").arg(place));
}

}  // namespace olva::app
