// The sheet in which a rule is made or changed: its name and switches, its
// conditions, its actions and a live preview. The main window opens it
// (window-modal, with open()) for the model's editingRule; it saves through
// Model::commitRule and closes once the model has taken the rule (the model
// then clears editingRule). When the model refuses the commit (the rule
// changed on disk meanwhile) it stays open with the draft and the model
// shows why. Cancelling clears editingRule.
#pragma once

#include "Core/model/Model.h"
#include "OlvaApp/Model/EditingRule.h"

#include <QDialog>

#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace olva::app {

class ActionsEditor;
class ConditionsEditor;
class Model;
class PreviewList;
class PreviewRunner;
class SheetSection;

class RuleSheet : public QDialog {
    Q_OBJECT

public:
    RuleSheet(Model& model, EditingRule editing, QWidget* parent = nullptr);
    ~RuleSheet() override;

    // Which opening of the sheet this is.
    const QUuid& editingId() const { return editing_.id; }

    const Rule& draft() const { return draft_; }
    bool runAgain() const { return runAgain_; }
    // Whether the draft can be saved now: it passes validation, and no move
    // or copy goes to a folder Olva has no access to.
    bool canSave() const;
    // Why validation refuses the draft; empty when it does not.
    QString problem() const;
    // The preview section's detail: "Checking files…" or the count line.
    QString previewDetail() const;

    QLineEdit* nameField() const { return name_; }
    QCheckBox* dryRunSwitch() const { return dryRun_; }
    QCheckBox* runAgainSwitch() const { return runAgainSwitch_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* problemLabel() const { return problem_; }
    ConditionsEditor* conditionsEditor() const { return conditions_; }
    ActionsEditor* actionsEditor() const { return actions_; }
    PreviewList* previewList() const { return list_; }
    PreviewRunner* previewRunner() const { return runner_; }

public slots:
    void reject() override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void save();
    void draftChanged();
    void scheduleFocusOrder();
    void behaviourChanged();
    void refreshFooter();
    void refreshPreview();
    void editingRuleChanged();
    std::optional<Folder> folder() const;
    bool isOurs() const;

    Model& model_;
    EditingRule editing_;
    std::optional<Rule> original_;
    Rule draft_;
    bool runAgain_ = false;
    std::string previewedVersion_;
    bool closing_ = false;
    bool focusOrderScheduled_ = false;

    QLineEdit* name_;
    ConditionsEditor* conditions_;
    ActionsEditor* actions_;
    PreviewRunner* runner_;
    PreviewList* list_;
    SheetSection* preview_;
    QCheckBox* dryRun_;
    QCheckBox* runAgainSwitch_;
    QLabel* problem_;
    QPushButton* cancel_;
    QPushButton* save_;
};

}  // namespace olva::app
