// A snippet to paste elsewhere: its text in a fixed-width font, selectable,
// and a button that copies it ("Copy", then "Copied" for as long as the row
// lives), which screen readers hear named for what it copies.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace olva::app {

class Clipboard;

class SnippetRow : public QWidget {
    Q_OBJECT

public:
    // The names say what the button copies, before and after it did:
    // "Copy the MCP configuration", "Copied the MCP configuration".
    struct Names {
        QString copy;
        QString copied;
    };
    SnippetRow(QString text, Names names, Clipboard* clipboard, QWidget* parent = nullptr);

    QLabel* textLabel() const { return text_; }
    QPushButton* copyButton() const { return copy_; }
    bool copied() const { return copied_; }

private:
    void copy();

    QString snippet_;
    Names names_;
    Clipboard* clipboard_;
    QLabel* text_;
    QPushButton* copy_;
    bool copied_ = false;
};

}  // namespace olva::app
