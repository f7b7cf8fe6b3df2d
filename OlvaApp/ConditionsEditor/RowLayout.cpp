#include "OlvaApp/ConditionsEditor/RowLayout.h"

#include "OlvaApp/PlaceChip/SymbolIcon.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace olva::app {

QBoxLayout* makeRowLayout(QWidget* row, int depth)
{
    row->setFixedHeight(conditionRowHeight);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(4 + depth * nestingIndent, 0, 4, 0);
    layout->setSpacing(6);
    return layout;
}

QToolButton* makeRowButton(std::string_view symbol, const QString& label, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(symbolIcon(symbol));
    button->setText(label);
    button->setToolTip(label);
    button->setAccessibleName(label);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

}  // namespace olva::app
