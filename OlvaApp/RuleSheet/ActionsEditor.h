// The rule's actions, one row each, in order: the row's kind and control,
// then a remove button (only while there is more than one action) and an
// add button that puts a move with no folder right after it. An empty list
// offers "Add Action". It edits its own copy of the list and reports every
// change at once. Rows are made again only when the number of actions or a
// row's kind changes, so typing never loses focus.
#pragma once

#include "Core/model/Model.h"

#include <QWidget>

#include <vector>

class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace olva::app {

class ActionRow;
class Model;

class ActionsEditor : public QWidget {
    Q_OBJECT

public:
    ActionsEditor(Model& model, std::vector<Action> actions, QWidget* parent = nullptr);

    const std::vector<Action>& actions() const { return actions_; }
    // Shows again which destinations Olva needs access to.
    void refreshAccess();

    struct Row {
        ActionRow* editor = nullptr;
        QToolButton* remove = nullptr;
        QToolButton* add = nullptr;
    };
    const std::vector<Row>& rows() const { return rows_; }
    // Shown only while the list is empty.
    QPushButton* addActionButton() const { return addAction_; }

signals:
    void actionsChanged();

private:
    void rebuild(int focusRow = -1);
    void insert(int at);
    void remove(int at);
    void replaceKind(int at, Action::Kind kind);

    Model& model_;
    std::vector<Action> actions_;
    std::vector<Row> rows_;
    QVBoxLayout* rowsLayout_;
    QPushButton* addAction_;
};

}  // namespace olva::app
