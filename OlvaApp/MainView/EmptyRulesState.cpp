#include "OlvaApp/MainView/EmptyRulesState.h"

#include "OlvaApp/MainView/Divider.h"
#include "OlvaApp/MainView/SuggestionRow.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/SymbolView.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/SuggestedRules.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace olva::app {

EmptyRulesState::EmptyRulesState(Model& model, QWidget* parent)
    : QWidget(parent), newRule_(new QPushButton(tr("New Rule"), this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(8);
    column->addStretch(1);

    // A folder whose rules are still to come, in the placeholders' tone.
    auto* symbol = new SymbolView(symbolIcon("folder.badge.gearshape"), 48, this);
    symbol->setMuted(true);
    column->addWidget(symbol, 0, Qt::AlignHCenter);

    auto* title = new QLabel(tr("No Rules"), this);
    QFont titleFont = semiboldFont(font());
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);

    auto* description = new QLabel(tr("Start with a suggestion or create your own."), this);
    description->setAlignment(Qt::AlignCenter);
    description->setWordWrap(true);
    description->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(description);
    column->addSpacing(12);

    auto* box = new QFrame(this);
    box->setFrameShape(QFrame::StyledPanel);
    box->setMaximumWidth(560);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(10, 0, 10, 0);
    rows->setSpacing(0);
    Workspace* workspace = model.services().workspace;
    for (const Rule& rule : suggestedRules()) {
        if (!suggestions_.isEmpty()) {
            rows->addWidget(new Divider(box));
        }
        auto* row = new SuggestionRow(rule, [&model, rule] { model.newRule(rule); }, workspace, box);
        rows->addWidget(row);
        suggestions_ << row;
    }
    auto* centred = new QHBoxLayout;
    centred->addStretch(1);
    centred->addWidget(box, 100);
    centred->addStretch(1);
    column->addLayout(centred);
    column->addSpacing(12);

    newRule_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(newRule_, &QPushButton::clicked, &model, [&model] { model.newRule(); });
    column->addWidget(newRule_, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

}  // namespace olva::app
