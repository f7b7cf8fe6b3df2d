// One action of the actions editor: a menu of what the action does and the
// one control that kind needs: a destination folder with "Choose…", a name
// pattern with an "Insert" menu of tokens, a tags field, or a script. Every
// edit is reported at once; picking another kind is left to the editor,
// which gives the row that kind's default action.
#pragma once

#include "Core/model/Model.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace olva::app {

class Model;
class PlaceChip;

class ActionRow : public QWidget {
    Q_OBJECT

public:
    ActionRow(Model& model, const Action& action, QWidget* parent = nullptr);

    const Action& action() const { return action_; }
    // Shows an action of the same kind, leaving a field alone whose text
    // already says the same (so typing and its cursor are not disturbed).
    void setAction(const Action& action);

    QComboBox* kindBox() const { return kind_; }
    // The controls of the row's kind; null when the kind has none.
    QLineEdit* patternField() const { return pattern_; }
    QPushButton* insertButton() const { return insert_; }
    QLineEdit* tagsField() const { return tags_; }
    QPlainTextEdit* scriptField() const { return script_; }
    QPushButton* chooseButton() const { return choose_; }
    // "No folder chosen" while there is no destination, else the chip.
    QLabel* noFolderLabel() const { return noFolder_; }
    PlaceChip* destinationChip() const { return chip_; }
    QLabel* accessWarning() const { return warning_; }

    // Runs the folder panel and takes the chosen folder as destination.
    void chooseFolder();

signals:
    void kindChosen(olva::Action::Kind kind);
    void actionEdited();

private:
    QWidget* makeDestination();
    QWidget* makePattern(const QString& placeholder);
    QWidget* makeTags();
    QWidget* makeScript();
    void showDestination();
    void fitScript();
    void edited();

    Model& model_;
    Action action_;
    QComboBox* kind_;
    QLineEdit* pattern_ = nullptr;
    QPushButton* insert_ = nullptr;
    QLineEdit* tags_ = nullptr;
    QPlainTextEdit* script_ = nullptr;
    QPushButton* choose_ = nullptr;
    QLabel* noFolder_ = nullptr;
    PlaceChip* chip_ = nullptr;
    QLabel* warningIcon_ = nullptr;
    QLabel* warning_ = nullptr;
};

}  // namespace olva::app
