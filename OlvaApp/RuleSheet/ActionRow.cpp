#include "OlvaApp/RuleSheet/ActionRow.h"

#include "OlvaApp/ConditionsEditor/FieldBox.h"
#include "OlvaApp/ConditionsEditor/RowLayout.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/Model/OpenPanels.h"
#include "OlvaApp/PlaceChip/PlaceChip.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/RuleSheet/ActionKinds.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTextBlock>
#include <QToolButton>

namespace olva::app {

namespace {

constexpr int scriptMaxLines = 6;

QHBoxLayout* bareRow(QWidget* widget)
{
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    return layout;
}

}  // namespace

ActionRow::ActionRow(Model& model, const Action& action, QWidget* parent)
    : QWidget(parent), model_(model), action_(action), kind_(new FieldBox(this))
{
    for (Action::Kind kind : actionKinds()) kind_->addItem(title(kind), static_cast<int>(kind));
    kind_->setCurrentIndex(kind_->findData(static_cast<int>(action.kind)));
    kind_->setAccessibleName(tr("Action"));
    kind_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(kind_, &QComboBox::activated, this, [this](int index) {
        const auto kind = static_cast<Action::Kind>(kind_->itemData(index).toInt());
        if (kind != action_.kind) emit kindChosen(kind);
    });

    auto* layout = bareRow(this);
    layout->addWidget(kind_, 0, Qt::AlignTop);
    QWidget* control = nullptr;
    switch (action.kind) {
    case Action::Kind::move:
    case Action::Kind::copy: control = makeDestination(); break;
    case Action::Kind::rename: control = makePattern(QStringLiteral("{name} {added:yyyy-MM-dd}")); break;
    case Action::Kind::sortInto: control = makePattern(QStringLiteral("{added:yyyy}/{added:MM}")); break;
    case Action::Kind::addTags:
    case Action::Kind::removeTags: control = makeTags(); break;
    case Action::Kind::shell: control = makeScript(); break;
    case Action::Kind::trash: break;
    }
    if (control) layout->addWidget(control, 1);
    else layout->addStretch(1);
    setAction(action);
}

void ActionRow::setAction(const Action& action)
{
    action_ = action;
    if (chip_) showDestination();
    if (pattern_ && pattern_->text().toStdString() != action.text)
        pattern_->setText(QString::fromStdString(action.text));
    if (tags_ && tagsFromText(tags_->text()) != action.tags) tags_->setText(tagsText(action.tags));
    if (script_ && script_->toPlainText().toStdString() != action.text) {
        QSignalBlocker blocker(script_);
        script_->setPlainText(QString::fromStdString(action.text));
        fitScript();
    }
}

void ActionRow::edited() { emit actionEdited(); }

QWidget* ActionRow::makeDestination()
{
    auto* box = new QWidget(this);
    auto* layout = bareRow(box);
    noFolder_ = new QLabel(tr("No folder chosen"), box);
    noFolder_->setForegroundRole(QPalette::PlaceholderText);
    chip_ = new PlaceChip(QString(), false, model_.services().workspace, box);
    warningIcon_ = new QLabel(box);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize);
    warningIcon_->setPixmap(symbolIcon("exclamationmark.triangle.fill").pixmap(side, side));
    warning_ = new QLabel(tr("Choose it again so Olva can use it"), box);
    warning_->setForegroundRole(QPalette::PlaceholderText);
    choose_ = new QPushButton(tr("Choose…"), box);
    layout->addWidget(noFolder_);
    layout->addWidget(chip_);
    layout->addWidget(warningIcon_);
    layout->addWidget(warning_);
    layout->addStretch(1);
    layout->addWidget(choose_);
    connect(choose_, &QPushButton::clicked, this, &ActionRow::chooseFolder);
    return box;
}

void ActionRow::showDestination()
{
    const bool chosen = !action_.text.empty();
    noFolder_->setVisible(!chosen);
    chip_->setVisible(chosen);
    if (chosen) chip_->setPath(QString::fromStdString(action_.text));
    const bool needsAccess = chosen && model_.needsAccess(action_.text);
    warningIcon_->setVisible(needsAccess);
    warning_->setVisible(needsAccess);
}

void ActionRow::chooseFolder()
{
    OpenPanels* panels = model_.services().panels;
    if (!panels) return;
    OpenPanelRequest request;
    request.choose = OpenPanelRequest::Choose::folders;
    request.canCreateFolders = true;
    request.message = tr("Choose a folder");
    auto chosen = panels->choose(request);
    if (!chosen) return;
    action_.text = model_.keepAccess(*chosen);
    showDestination();
    edited();
}

QWidget* ActionRow::makePattern(const QString& placeholder)
{
    auto* box = new QWidget(this);
    auto* layout = bareRow(box);
    pattern_ = new QLineEdit(box);
    pattern_->setPlaceholderText(placeholder);
    pattern_->setFont(patternFont(font()));
    pattern_->setAccessibleName(tr("Pattern"));
    // A push button with a menu leaves room for its arrow beside the label
    // (a tool button draws the arrow over it).
    insert_ = new QPushButton(tr("Insert"), box);
    insert_->setAccessibleName(tr("Insert"));
    insert_->setFocusPolicy(Qt::StrongFocus);
    auto* menu = new QMenu(insert_);
    for (const PatternToken& token : patternTokens()) {
        menu->addAction(token.title, this, [this, text = token.token] {
            // Appended whatever the cursor's place: tokens go to the end.
            action_.text += text.toStdString();
            pattern_->setText(QString::fromStdString(action_.text));
            edited();
        });
    }
    insert_->setMenu(menu);
    layout->addWidget(pattern_, 1);
    layout->addWidget(insert_);
    connect(pattern_, &QLineEdit::textEdited, this, [this](const QString& text) {
        action_.text = text.toStdString();
        edited();
    });
    return box;
}

QWidget* ActionRow::makeTags()
{
    tags_ = new QLineEdit(this);
    tags_->setPlaceholderText(tr("Work, Red"));
    tags_->setAccessibleName(tr("Tags"));
    // The field keeps what the user types, a trailing comma or blank too;
    // the action takes the names at once, and the text is tidied when
    // editing ends.
    connect(tags_, &QLineEdit::textEdited, this, [this](const QString& text) {
        action_.tags = tagsFromText(text);
        edited();
    });
    connect(tags_, &QLineEdit::editingFinished, this, [this] {
        const QString tidy = tagsText(action_.tags);
        if (tags_->text() != tidy) tags_->setText(tidy);
    });
    return tags_;
}

QWidget* ActionRow::makeScript()
{
    script_ = new QPlainTextEdit(this);
    script_->setPlaceholderText(tr("The file’s path is $1"));
    script_->setFont(patternFont(font()));
    script_->setAccessibleName(tr("Script"));
    script_->setTabChangesFocus(true);
    script_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    script_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(script_, &QPlainTextEdit::textChanged, this, [this] {
        action_.text = script_->toPlainText().toStdString();
        fitScript();
        edited();
    });
    fitScript();
    return script_;
}

void ActionRow::fitScript()
{
    // One line high when empty, growing with its lines up to six.
    const int lines = std::clamp(static_cast<int>(script_->document()->size().height()), 1, scriptMaxLines);
    const QMargins margins = script_->contentsMargins();
    const int height = lines * script_->fontMetrics().lineSpacing()
                       + 2 * static_cast<int>(script_->document()->documentMargin()) + margins.top()
                       + margins.bottom();
    script_->setFixedHeight(height);
}

}  // namespace olva::app
