// The compound row of a group in the conditions editor: whether all, any or
// none of the rows below it must hold, buttons that add a condition or a
// nested group to it, and, except on the root group, a remove button.
#pragma once

#include "Core/model/Model.h"

#include <QWidget>

class QComboBox;
class QToolButton;

namespace olva::app {

class GroupRow : public QWidget {
    Q_OBJECT

public:
    // `row`: the row's place in the editor, from 1, which the buttons' names
    // tell screen readers so that two groups' buttons differ.
    GroupRow(int depth, bool removable, int row = 1, QWidget* parent = nullptr);

    void setMode(Group::Mode mode);

    QComboBox* modeBox() const { return mode_; }
    QToolButton* addConditionButton() const { return addCondition_; }
    QToolButton* addGroupButton() const { return addGroup_; }
    // None on the root group.
    QToolButton* removeButton() const { return remove_; }

signals:
    void modeChosen(olva::Group::Mode mode);
    void addConditionRequested();
    void addGroupRequested();
    void removeRequested();

private:
    void nameButtons();

    int row_;
    bool nested_;
    QComboBox* mode_;
    QToolButton* addCondition_;
    QToolButton* addGroup_;
    QToolButton* remove_ = nullptr;
};

}  // namespace olva::app
