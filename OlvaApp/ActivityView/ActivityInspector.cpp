#include "OlvaApp/ActivityView/ActivityInspector.h"

#include "OlvaApp/ActivityView/EmptyState.h"
#include "OlvaApp/ActivityView/EntryInspector.h"
#include "OlvaApp/Sentences/ActivityTexts.h"
#include "OlvaApp/Sentences/Inflection.h"
#include "OlvaApp/Sentences/SymbolIcons.h"

#include <QVBoxLayout>

namespace olva::app {

namespace {

constexpr int narrowest = 260;
constexpr int idealWidth = 300;
constexpr int widest = 420;

// Out of sight at once, deleted once the event that replaced it is over (a
// click in it may be what changed the selection).
void drop(QWidget* widget)
{
    if (!widget) return;
    widget->hide();
    widget->deleteLater();
}

}  // namespace

ActivityInspector::ActivityInspector(Workspace* workspace, QWidget* parent)
    : QWidget(parent), workspace_(workspace), layout_(new QVBoxLayout(this)), placeholder_(new EmptyState(this))
{
    setMinimumWidth(narrowest);
    setMaximumWidth(widest);
    setAccessibleName(tr("Inspector"));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->addWidget(placeholder_);
    showSelection({}, false);
}

QSize ActivityInspector::sizeHint() const { return {idealWidth, QWidget::sizeHint().height()}; }

void ActivityInspector::showSelection(const std::vector<olva::Entry>& selection, bool reverted)
{
    if (selection.size() == 1) {
        const olva::Entry& entry = selection.front();
        if (entry_ && shownId_ == entry.id && shownReverted_ == reverted && shownSteps_ == entry.steps.size()) return;
        drop(entry_);
        entry_ = new EntryInspector(entry, reverted, workspace_, this);
        layout_->addWidget(entry_);
        placeholder_->hide();
        shownId_ = entry.id;
        shownReverted_ = reverted;
        shownSteps_ = entry.steps.size();
        return;
    }
    drop(entry_);
    entry_ = nullptr;
    shownId_.reset();
    if (selection.empty())
        placeholder_->showPlaceholder(Placeholder{tr("No Selection"), iconName("doc.text.magnifyingglass"), {}});
    else
        placeholder_->showPlaceholder(Placeholder{
            inflected(tr("{count, plural, one {# File Selected} other {# Files Selected}}"),
                      static_cast<qint64>(selection.size())),
            iconName("doc.on.doc"), {}});
}

}  // namespace olva::app
