// A snippet to paste elsewhere: its text in a fixed-width font, selectable,
// and a button that copies it ("Copy", then "Copied" for as long as the row
// lives).
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace olva::app {

class Clipboard;

class SnippetRow : public QWidget {
    Q_OBJECT

public:
    SnippetRow(QString text, Clipboard* clipboard, QWidget* parent = nullptr);

    QLabel* textLabel() const { return text_; }
    QPushButton* copyButton() const { return copy_; }
    bool copied() const { return copied_; }

private:
    void copy();

    QString snippet_;
    Clipboard* clipboard_;
    QLabel* text_;
    QPushButton* copy_;
    bool copied_ = false;
};

}  // namespace olva::app
