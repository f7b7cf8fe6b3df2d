// What a folder without rules shows over its empty list: "No Rules", a
// word on what to do, the suggested rules to start from, and "New Rule".
#pragma once

#include <QList>
#include <QWidget>

class QPushButton;

namespace olva::app {

class Model;
class SuggestionRow;

class EmptyRulesState : public QWidget {
    Q_OBJECT

public:
    explicit EmptyRulesState(Model& model, QWidget* parent = nullptr);

    const QList<SuggestionRow*>& suggestions() const { return suggestions_; }
    QPushButton* newRuleButton() const { return newRule_; }

private:
    QList<SuggestionRow*> suggestions_;
    QPushButton* newRule_;
};

}  // namespace olva::app
