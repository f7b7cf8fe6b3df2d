#include "OlvaApp/RuleSheet/RuleSheet.h"

#include "Core/base/ActionError.h"
#include "Core/model/RuleVersion.h"
#include "OlvaApp/ConditionsEditor/ConditionsEditor.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/ReturnKey.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/RuleSheet/ActionsEditor.h"
#include "OlvaApp/RuleSheet/FocusOrder.h"
#include "OlvaApp/RuleSheet/PreviewList.h"
#include "OlvaApp/RuleSheet/PreviewRunner.h"
#include "OlvaApp/RuleSheet/SheetSection.h"
#include "OlvaApp/Sentences/PreviewTexts.h"
#include "OlvaApp/Sentences/Segment.h"

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace olva::app {

RuleSheet::RuleSheet(Model& model, EditingRule editing, QWidget* parent)
    : QDialog(parent), model_(model), editing_(std::move(editing)), draft_(editing_.rule),
      name_(new QLineEdit(this)), conditions_(new ConditionsEditor(draft_.match)),
      actions_(new ActionsEditor(model, draft_.actions)), runner_(new PreviewRunner(model.services().clock, this)),
      list_(new PreviewList(model.services().workspace)),
      dryRun_(new QCheckBox(tr("Dry run: log only, don’t change files"), this)),
      runAgainSwitch_(new QCheckBox(tr("Run again on files this rule already handled"), this)),
      problem_(new QLabel(this)), cancel_(new QPushButton(tr("Cancel"), this)), save_(new QPushButton(this))
{
    // A new rule has no original; an edited one is compared with the rule
    // as the folder held it when editing began.
    if (editing_.index) original_ = editing_.original ? *editing_.original : editing_.rule;

    setWindowModality(Qt::WindowModal);
    setWindowTitle(original_ ? tr("Edit Rule") : tr("New Rule"));
    resize(760, 620);

    name_->setText(QString::fromStdString(draft_.name));
    name_->setAccessibleName(tr("Name"));
    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(tr("Name:"), name_);

    auto* conditionsSection = new SheetSection(tr("Conditions"), conditions_, this);
    auto* actionsSection = new SheetSection(tr("Actions"), actions_, this);
    preview_ = new SheetSection(tr("Preview"), list_, this);

    dryRun_->setChecked(draft_.dryRun);
    dryRun_->setToolTip(tr("The rule writes what it would do to Activity without touching any files"));
    runAgainSwitch_->setToolTip(tr("Otherwise the edited rule only acts on files it hasn’t handled yet"));
    problem_->setTextFormat(Qt::PlainText);
    problem_->setForegroundRole(QPalette::PlaceholderText);
    problem_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* switches = new QVBoxLayout;
    switches->setSpacing(6);
    switches->addWidget(runAgainSwitch_);
    switches->addWidget(dryRun_);

    save_->setText(original_ ? tr("Save") : tr("Add Rule"));
    save_->setDefault(true);
    auto* footer = new QHBoxLayout;
    footer->addLayout(switches);
    footer->addStretch(1);
    // Why Save is off, beside it.
    footer->addWidget(problem_, 0, Qt::AlignBottom);
    footer->addWidget(cancel_, 0, Qt::AlignBottom);
    footer->addWidget(save_, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(16);
    layout->addLayout(form);
    layout->addWidget(conditionsSection);
    layout->addWidget(actionsSection);
    layout->addWidget(preview_, 1);
    layout->addLayout(footer);

    connect(name_, &QLineEdit::textEdited, this, [this](const QString& name) {
        draft_.name = name.toStdString();
        draftChanged();
    });
    connect(conditions_, &ConditionsEditor::groupChanged, this, [this] {
        draft_.match = conditions_->group();
        behaviourChanged();
        scheduleFocusOrder();
    });
    connect(actions_, &ActionsEditor::actionsChanged, this, [this] {
        draft_.actions = actions_->actions();
        behaviourChanged();
        scheduleFocusOrder();
    });
    connect(dryRun_, &QCheckBox::toggled, this, [this](bool on) {
        draft_.dryRun = on;
        list_->setDryRun(on);
        behaviourChanged();
    });
    connect(runAgainSwitch_, &QCheckBox::toggled, this, [this](bool on) { runAgain_ = on; });
    connect(cancel_, &QPushButton::clicked, this, &RuleSheet::reject);
    connect(save_, &QPushButton::clicked, this, &RuleSheet::save);
    connect(runner_, &PreviewRunner::loadingChanged, this, &RuleSheet::refreshPreview);
    connect(runner_, &PreviewRunner::resultChanged, this, [this] {
        list_->setPreview(runner_->result());
        refreshPreview();
    });
    connect(&model_, &Model::editingRuleChanged, this, &RuleSheet::editingRuleChanged);
    // Access to a folder may have been kept meanwhile (or lost, by a reload).
    connect(&model_, &Model::configChanged, this, [this] {
        actions_->refreshAccess();
        refreshFooter();
    });

    list_->setDryRun(draft_.dryRun);
    refreshPreview();
    behaviourChanged();
    // The footer was made before the sections it sits under.
    orderFocusAsRead(this);
    name_->setFocus();
}

RuleSheet::~RuleSheet() = default;

std::optional<Folder> RuleSheet::folder() const
{
    const auto& folders = model_.config().folders;
    if (editing_.folder) {
        for (const Folder& folder : folders)
            if (folder.path == *editing_.folder) return folder;
        return std::nullopt;
    }
    // A new rule started with no folder at hand goes where the selection is
    // when it is saved.
    if (auto selected = model_.selectedFolder()) return folders[static_cast<std::size_t>(*selected)];
    return std::nullopt;
}

QString RuleSheet::problem() const
{
    try {
        validate(draft_);
    } catch (const ActionError& error) {
        return QString::fromStdString(error.description());
    }
    return {};
}

bool RuleSheet::canSave() const
{
    if (!problem().isEmpty()) return false;
    for (const Action& action : draft_.actions) {
        const bool destination = action.kind == Action::Kind::move || action.kind == Action::Kind::copy;
        if (destination && model_.needsAccess(action.text)) return false;
    }
    return true;
}

QString RuleSheet::previewDetail() const
{
    return runner_->isLoading() ? tr("Checking files…") : previewCountLine(runner_->result());
}

void RuleSheet::draftChanged() { refreshFooter(); }

void RuleSheet::scheduleFocusOrder()
{
    // Rows added or remade come last in the chain until it is ordered again;
    // once for any number of changes in a row.
    if (focusOrderScheduled_) return;
    focusOrderScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            focusOrderScheduled_ = false;
            orderFocusAsRead(this);
        },
        Qt::QueuedConnection);
}

void RuleSheet::behaviourChanged()
{
    // The name and the enabled switch are not part of the version: a new
    // name changes nothing the preview shows.
    const std::string version = ruleVersion(draft_);
    if (version != previewedVersion_) {
        previewedVersion_ = version;
        runner_->request(draft_, folder());
    }
    refreshFooter();
}

void RuleSheet::refreshFooter()
{
    // Shown while the rule's behaviour differs from the live rule's; the
    // user's choice is kept while it is hidden.
    runAgainSwitch_->setVisible(original_ && !original_->dryRun && ruleVersion(*original_) != ruleVersion(draft_));
    const QString why = problem();
    problem_->setText(why.isEmpty() ? QString() : plainText(capitalizingFirstLetter({Segment::text(why)})));
    problem_->setVisible(!why.isEmpty());
    save_->setEnabled(canSave());
}

void RuleSheet::refreshPreview()
{
    preview_->setDetail(previewDetail());
    list_->setLoading(runner_->isLoading());
}

bool RuleSheet::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    // At least 680 by 520, and never smaller than what the rows need: the
    // conditions editor grows with its rows.
    if (event->type() == QEvent::LayoutRequest && layout()) {
        const QSize least = layout()->totalMinimumSize().expandedTo(QSize(680, 520));
        if (minimumSize() != least) setMinimumSize(least);
    }
    return handled;
}

void RuleSheet::keyPressEvent(QKeyEvent* event)
{
    if (pressFocusedButton(*this, *event)) return;
    QDialog::keyPressEvent(event);
}

bool RuleSheet::isOurs() const
{
    const auto& editing = model_.editingRule();
    return editing && editing->id == editing_.id;
}

void RuleSheet::save()
{
    if (!canSave() || closing_) return;
    // The model clears editingRule when the commit goes ahead, which closes
    // the sheet; when it refuses, the sheet stays with the draft.
    model_.commitRule(editing_, draft_, runAgain_);
}

void RuleSheet::editingRuleChanged()
{
    if (closing_ || isOurs()) return;
    closing_ = true;
    accept();
}

void RuleSheet::reject()
{
    if (!closing_) {
        closing_ = true;
        if (isOurs()) model_.setEditingRule(std::nullopt);
    }
    QDialog::reject();
}

}  // namespace olva::app
