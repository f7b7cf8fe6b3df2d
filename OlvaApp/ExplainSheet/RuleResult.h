// One rule's block in the explanation sheet: its name, the dry-run badge,
// its verdict, and each of its conditions as the file fared.
#pragma once

#include "OlvaApp/Model/Explained.h"

#include <QWidget>

#include <cstddef>

class QLabel;

namespace olva::app {

// "Already handled", "Doesn’t match", "Matches, an earlier rule wins" or
// "Matches", for the rule at `position`.
QString ruleVerdict(const Explained& explained, std::size_t position);

class RuleResult : public QWidget {
    Q_OBJECT

public:
    RuleResult(const Explanation& explanation, const QString& verdict, QWidget* parent = nullptr);

    QString ruleName() const;
    QString verdict() const;
    bool showsDryRunBadge() const { return badge_ != nullptr; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateColors();

    QLabel* name_;
    QWidget* badge_ = nullptr;
    QLabel* verdict_;
    QLabel* noConditions_ = nullptr;
};

}  // namespace olva::app
