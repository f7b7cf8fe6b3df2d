// One condition of the conditions editor: the attribute box, the operator
// box with the tests the attribute's family allows, one value field with the
// family's placeholder, and a remove button. It shows a condition and says
// what the user changed; the editor writes the change into the tree.
#pragma once

#include "Core/model/Model.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QToolButton;

namespace olva::app {

class ConditionRow : public QWidget {
    Q_OBJECT

public:
    // `row`: the row's place in the editor, from 1; the remove button's name
    // tells it, so that screen readers tell the rows' buttons apart.
    ConditionRow(int depth, int row = 1, QWidget* parent = nullptr);

    // Shows the condition without reporting it as an edit. A field whose
    // text already is the value keeps its cursor and selection.
    void setCondition(const Condition& condition);

    QComboBox* attributeBox() const { return attribute_; }
    QComboBox* operatorBox() const { return operator_; }
    QLineEdit* valueField() const { return value_; }
    QToolButton* removeButton() const { return remove_; }
    // The operator is one its attribute does not allow.
    bool showsRefusedOperator() const { return refused_; }

signals:
    void attributeChosen(olva::Attr attr);
    void operatorChosen(olva::Op op);
    void valueEdited(const QString& value);
    void removeRequested();

private:
    void fillOperators(Attr attr, Op current);

    QComboBox* attribute_;
    QComboBox* operator_;
    QLineEdit* value_;
    QToolButton* remove_;
    bool refused_ = false;
};

}  // namespace olva::app
