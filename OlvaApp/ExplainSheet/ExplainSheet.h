// The sheet that tells how each rule of a folder treats one file. The main
// window opens it (window-modal, with open()) when the model holds an
// explanation; closing it clears the model's explanation.
#pragma once

#include "OlvaApp/Model/Explained.h"

#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;
class QScrollArea;

namespace olva::app {

class Model;
class RuleResult;

class ExplainSheet : public QDialog {
    Q_OBJECT

public:
    // Shows the model's explanation as it is now.
    explicit ExplainSheet(Model& model, QWidget* parent = nullptr);
    ~ExplainSheet() override;

    QString fileName() const;
    QString sentence() const;
    // One block per rule, in the folder's order; empty when the folder has
    // no enabled rules.
    QList<RuleResult*> ruleResults() const;
    // "This folder has no enabled rules.", when it has none.
    QLabel* noRules() const { return noRules_; }
    QScrollArea* body() const { return body_; }
    QPushButton* doneButton() const { return done_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateColors();

    Model& model_;
    QLabel* name_ = nullptr;
    QLabel* sentence_ = nullptr;
    QLabel* noRules_ = nullptr;
    QScrollArea* body_ = nullptr;
    QPushButton* done_ = nullptr;
};

}  // namespace olva::app
