// What a view shows in place of content it does not have: an icon, a title,
// a description, and room for buttons below them, centred.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace olva::app {

struct Placeholder;

class EmptyState : public QWidget {
    Q_OBJECT

public:
    explicit EmptyState(QWidget* parent = nullptr);

    struct Choice {
        QString text;
        std::function<void()> run;
    };

    // Shows the placeholder's words and icon, and drops earlier buttons.
    void showPlaceholder(const Placeholder& placeholder);
    // A button under the words, centred.
    void addButton(const Choice& choice);
    // The choice most will make, as the default button and a little larger,
    // with the others as links in one row below it.
    void addChoices(const Choice& main, const std::vector<Choice>& others);

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
