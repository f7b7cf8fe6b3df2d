#include "OlvaApp/MainView/SuggestionRow.h"

#include "OlvaApp/PlaceChip/SentenceView.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/RuleSentence.h"
#include "OlvaApp/Sentences/SuggestedRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace olva::app {

SuggestionRow::SuggestionRow(const Rule& rule, std::function<void()> add, Workspace* workspace, QWidget* parent)
    : QWidget(parent), add_(new QPushButton(tr("Add…"), this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 8, 0, 8);
    row->setSpacing(16);

    auto* words = new QVBoxLayout;
    words->setSpacing(2);
    auto* name = new QLabel(singleLine(QString::fromStdString(rule.name)), this);
    name->setTextFormat(Qt::PlainText);
    name->setFont(semiboldFont(font()));
    words->addWidget(name);
    auto* sentence = new SentenceView(ruleSentence(rule), true, workspace, this);
    sentence->setFont(calloutFont(font()));
    sentence->setSecondary(true);
    // A narrow window wraps the sentence rather than cutting a word.
    sentence->setWrapping(true);
    words->addWidget(sentence);
    row->addLayout(words, 1);

    add_->setAccessibleName(addSuggestionLabel(rule));
    add_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(add_, &QPushButton::clicked, this, [add = std::move(add)] { add(); });
    row->addWidget(add_);
}

}  // namespace olva::app
