#include "OlvaApp/ConditionsEditor/ConditionRow.h"

#include "OlvaApp/ConditionsEditor/AttributeFamily.h"
#include "OlvaApp/ConditionsEditor/FieldBox.h"
#include "OlvaApp/ConditionsEditor/RowLayout.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/Sentences/Titles.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>

namespace olva::app {

ConditionRow::ConditionRow(int depth, int row, QWidget* parent)
    : QWidget(parent), attribute_(new FieldBox(this)), operator_(new FieldBox(this)), value_(new QLineEdit(this)),
      remove_(makeRowButton("minus", tr("Remove Condition"), this))
{
    for (Attr attr : allAttrs()) attribute_->addItem(title(attr), static_cast<int>(attr));
    // Every row has the same controls: their names say which row.
    attribute_->setAccessibleName(tr("Attribute, condition in row %1").arg(row));
    attribute_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    operator_->setAccessibleName(tr("Test, condition in row %1").arg(row));
    operator_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    value_->setAccessibleName(tr("Value, condition in row %1").arg(row));
    value_->setMinimumWidth(160);
    value_->setClearButtonEnabled(false);
    remove_->setAccessibleName(tr("Remove Condition in row %1").arg(row));

    QBoxLayout* layout = makeRowLayout(this, depth);
    layout->addWidget(attribute_);
    layout->addWidget(operator_);
    layout->addWidget(value_, 1);
    layout->addWidget(remove_);

    connect(attribute_, &QComboBox::activated, this,
            [this](int index) { emit attributeChosen(static_cast<Attr>(attribute_->itemData(index).toInt())); });
    connect(operator_, &QComboBox::activated, this,
            [this](int index) { emit operatorChosen(static_cast<Op>(operator_->itemData(index).toInt())); });
    connect(value_, &QLineEdit::textEdited, this, &ConditionRow::valueEdited);
    connect(remove_, &QToolButton::clicked, this, &ConditionRow::removeRequested);
}

void ConditionRow::setCondition(const Condition& condition)
{
    {
        QSignalBlocker blocker(attribute_);
        attribute_->setCurrentIndex(attribute_->findData(static_cast<int>(condition.attr)));
    }
    fillOperators(condition.attr, condition.op);
    const AttributeFamily& family = familyOf(condition.attr);
    value_->setPlaceholderText(family.placeholder());
    // Said instead of the placeholder, which would read as the value.
    value_->setAccessibleDescription(family.valueDescription());
    const QString value = QString::fromStdString(condition.value);
    if (value_->text() != value) value_->setText(value);
}

void ConditionRow::fillOperators(Attr attr, Op current)
{
    const AttributeFamily& family = familyOf(attr);
    QSignalBlocker blocker(operator_);
    operator_->clear();
    // A test the attribute does not allow (a hand-edited or imported rule)
    // is shown as it stands, marked, until the user picks another: silently
    // choosing the first allowed one would change what the rule does.
    refused_ = !family.allows(current);
    if (refused_) {
        operator_->addItem(symbolIcon("exclamationmark.triangle.fill"), title(current), static_cast<int>(current));
        operator_->setItemData(0, tr("%1 can’t use “%2”. Choose another test.").arg(title(attr), title(current)),
                               Qt::ToolTipRole);
    }
    for (Op op : family.operators()) operator_->addItem(title(op), static_cast<int>(op));
    operator_->setCurrentIndex(operator_->findData(static_cast<int>(current)));
    operator_->setToolTip(refused_ ? operator_->itemData(0, Qt::ToolTipRole).toString() : QString());
}

}  // namespace olva::app
