#include "OlvaApp/ActivityView/EntryInspector.h"

#include "OlvaApp/ActivityView/ActivityStyle.h"
#include "OlvaApp/ActivityView/CheckRow.h"
#include "OlvaApp/ActivityView/ClampedLabel.h"
#include "OlvaApp/ActivityView/FileIcon.h"
#include "OlvaApp/PlaceChip/PathBar.h"
#include "OlvaApp/PlaceChip/SentenceView.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/Sentences/ActivityDate.h"
#include "OlvaApp/Sentences/ActivitySearch.h"
#include "OlvaApp/Sentences/StepSentence.h"

#include "Core/base/Paths.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace olva::app {

namespace {

constexpr int headerIconSize = 96;
constexpr int noteLines = 4;

}  // namespace

EntryInspector::EntryInspector(const olva::Entry& entry, bool reverted, Workspace* workspace, QWidget* parent)
    : QScrollArea(parent), entry_(entry), reverted_(reverted), workspace_(workspace), content_(new QWidget),
      layout_(new QVBoxLayout(content_))
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A stop of its own on the way through the window: named for the file.
    setAccessibleName(tr("Details of “%1”").arg(singleLine(entryFileName(entry_))));
    layout_->setSpacing(20);
    build();
    layout_->addStretch(1);
    setWidget(content_);
    updateColors();
}

void EntryInspector::build()
{
    const QString path = QString::fromStdString(entry_.file);
    const Sentence result = resultText(entry_);

    // Header: the icon, the name, the result.
    auto* header = new QVBoxLayout;
    header->setSpacing(6);
    auto* icon = new QLabel(content_);
    icon->setTextFormat(Qt::PlainText);
    icon->setPixmap(iconForFileName(path).pixmap(headerIconSize, headerIconSize));
    icon->setAlignment(Qt::AlignCenter);
    icon->setAccessibleName(fileIconType(path));
    header->addWidget(icon);
    QLabel* name = plainLabel(singleLine(entryFileName(entry_)), content_, Selectable::yes);
    name->setFont(headlineFont(name->font()));
    name->setAlignment(Qt::AlignHCenter);
    name->setObjectName(QStringLiteral("fileName"));
    header->addWidget(name);
    QLabel* resultLabel = plainLabel(plainText(result), content_, Selectable::yes);
    resultLabel->setAlignment(Qt::AlignHCenter);
    resultLabel->setObjectName(QStringLiteral("result"));
    (entry_.error ? errors_ : secondary_).push_back(resultLabel);
    header->addWidget(resultLabel);
    layout_->addLayout(header);

    QVBoxLayout* information = addSection(tr("Information"));
    addInfoRow(information, tr("Rule"), QString::fromStdString(entry_.rule));
    addInfoRow(information, tr("Date"), activityDateFormatter().format(entry_.at));
    if (reverted_) addInfoRow(information, tr("Status"), tr("Reverted"));
    if (entry_.dryRun) addInfoRow(information, tr("Status"), tr("Dry run, nothing changed"));

    if (!entry_.checks.empty()) {
        QVBoxLayout* conditions = addSection(tr("Conditions"));
        for (const olva::Check& check : entry_.checks) conditions->addWidget(new CheckRow(check, content_));
    }

    if (!entry_.steps.empty()) {
        QVBoxLayout* steps = addSection(entry_.dryRun ? tr("Would Happen") : tr("What Happened"));
        const SummaryMode mode = entry_.dryRun ? SummaryMode::dryRun : SummaryMode::done;
        for (const olva::Step& step : entry_.steps) {
            auto* block = new QVBoxLayout;
            block->setSpacing(2);
            // Each step on as many lines as it needs: a step that adds one
            // tag and removes another tells both.
            auto* sentence = new SentenceView(outcomeSummary({step}, mode), entry_.dryRun, workspace_, content_);
            sentence->setWrapping(true);
            sentence->setObjectName(QStringLiteral("step"));
            block->addWidget(sentence);
            if (step.to) {
                auto* path = new PathBar(workspace_, content_);
                path->setPath(QString::fromStdString(*step.to));
                block->addWidget(path);
            } else if (step.kind == olva::Step::Kind::shell && step.note) {
                auto* note = new ClampedLabel(QString::fromStdString(*step.note), noteLines, content_);
                note->setFont(patternFont(captionFont(this->font())));
                note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                note->setObjectName(QStringLiteral("scriptNote"));
                secondary_.push_back(note);
                block->addWidget(note);
            }
            steps->addLayout(block);
        }
    }

    if (entry_.error) {
        QVBoxLayout* problem = addSection(tr("Problem"));
        QLabel* error = plainLabel(QString::fromStdString(*entry_.error), content_, Selectable::yes);
        error->setObjectName(QStringLiteral("error"));
        errors_.push_back(error);
        problem->addWidget(error);
    }
}

QVBoxLayout* EntryInspector::addSection(const QString& title)
{
    auto* section = new QVBoxLayout;
    section->setSpacing(8);
    QLabel* heading = plainLabel(title, content_);
    heading->setFont(headlineFont(heading->font()));
    heading->setObjectName(QStringLiteral("section"));
    heading->setAccessibleName(title);
    section->addWidget(heading);
    layout_->addLayout(section);
    return section;
}

void EntryInspector::addInfoRow(QVBoxLayout* section, const QString& label, const QString& value)
{
    auto* row = new QHBoxLayout;
    QLabel* labelText = plainLabel(label, content_);
    labelText->setWordWrap(false);
    labelText->setObjectName(QStringLiteral("infoLabel"));
    secondary_.push_back(labelText);
    QLabel* valueText = plainLabel(value, content_, Selectable::yes);
    valueText->setAlignment(Qt::AlignRight | Qt::AlignTop);
    valueText->setObjectName(QStringLiteral("infoValue"));
    // Read as what it says, then what it is: "Invoices, Rule".
    valueText->setAccessibleName(value);
    valueText->setAccessibleDescription(label);
    row->addWidget(labelText, 0, Qt::AlignTop);
    row->addWidget(valueText, 1);
    section->addLayout(row);
}

void EntryInspector::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) updateColors();
    QScrollArea::changeEvent(event);
}

void EntryInspector::updateColors()
{
    for (QLabel* label : secondary_) setTextColor(label, secondaryTextColor(palette()));
    for (QLabel* label : errors_) setTextColor(label, errorRed(palette()));
}

}  // namespace olva::app
