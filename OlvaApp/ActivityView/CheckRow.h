// One condition as it was evaluated for a file: a check mark or a red
// cross, the condition ("Extension is “pdf”"), and below it the file's own
// value when that differs from the asked one.
#pragma once

#include "Core/model/Check.h"

#include <QWidget>

class QLabel;

namespace olva::app {

class ClampedLabel;

// The condition as one line: the attribute, the operator and the value in
// quotes.
QString checkConditionText(const olva::Check& check);
// The file's value shown under it; none when it equals the asked value
// apart from letter case. An empty value reads "Empty".
std::optional<QString> checkActualText(const olva::Check& check);

class CheckRow : public QWidget {
    Q_OBJECT

public:
    explicit CheckRow(const olva::Check& check, QWidget* parent = nullptr);

    bool passed() const { return pass_; }
    QString conditionText() const;
    // Empty when no second line shows.
    QString actualText() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateColors();

    bool pass_;
    QWidget* mark_;
    QLabel* condition_;
    ClampedLabel* actual_ = nullptr;
};

}  // namespace olva::app
