// What a view shows in place of content it does not have: an icon, a title,
// a description, and room for buttons below them, centred.
#pragma once

#include <QWidget>

#include <string_view>

class QLabel;
class QVBoxLayout;

namespace olva::app {

struct Placeholder;

class EmptyState : public QWidget {
    Q_OBJECT

public:
    explicit EmptyState(QWidget* parent = nullptr);

    // Shows the placeholder's words and icon, and drops earlier buttons.
    void showPlaceholder(const Placeholder& placeholder);
    // Where the caller puts its buttons; emptied by every showPlaceholder().
    QVBoxLayout* actions() const { return actions_; }

    QString title() const;
    QString description() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateColors();

    QLabel* icon_;
    QLabel* title_;
    QLabel* description_;
    QVBoxLayout* actions_;
    QString iconName_;
};

}  // namespace olva::app
