// The sheet in which a rule is made or changed: its name and switches, its
// conditions, its actions and a live preview. The main window opens it
// (window-modal, with open()) for the model's editingRule; it saves through
// Model::commitRule and closes once the model has taken the rule (the model
// then clears editingRule). Cancelling clears editingRule.
#pragma once

#include "OlvaApp/Model/EditingRule.h"

#include <QDialog>

namespace olva::app {

class Model;

class RuleSheet : public QDialog {
    Q_OBJECT

public:
    RuleSheet(Model& model, EditingRule editing, QWidget* parent = nullptr);
    ~RuleSheet() override;

    // Which opening of the sheet this is.
    const QUuid& editingId() const { return editing_.id; }

private:
    Model& model_;
    EditingRule editing_;
};

}  // namespace olva::app
