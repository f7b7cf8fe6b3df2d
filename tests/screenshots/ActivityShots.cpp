#include "tests/screenshots/Shots.h"

#include "Core/store/Store.h"
#include "OlvaApp/ActivityView/ActivityView.h"
#include "OlvaApp/ExplainSheet/ExplainSheet.h"
#include "OlvaApp/Model/Model.h"
#include "tests/support/app/AppTestSupport.h"

#include <QLineEdit>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

using olva::app::ActivityView;

using olva::app::Model;

// The view under a toolbar of its own actions, as the main window shows it.
class Frame : public QWidget {
public:
    explicit Frame(Model& model) : view(new ActivityView(model, this))
    {
        auto* toolbar = new QToolBar(this);
        toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        toolbar->addActions(view->toolbarActions());
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(toolbar);
        layout->addWidget(view, 1);
        resize(1100, 560);
    }

    ActivityView* view;
};

}  // namespace

OLVA_SHOT(activity_table)
{
    Frame frame(context.model());
    const auto& entries = context.model().entries();
    if (!entries.empty()) context.model().setSelectedEntries({entries.front().id});
    context.save(&frame, QStringLiteral("activity-table"));
}

OLVA_SHOT(activity_failed_entry)
{
    Frame frame(context.model());
    for (const auto& entry : context.model().entries())
        if (entry.error) context.model().setSelectedEntries({entry.id});
    context.save(&frame, QStringLiteral("activity-failed-entry"));
}

OLVA_SHOT(activity_long_entry)
{
    // An entry of many steps: each wraps to the lines it needs, the script's
    // note and a long value end in "…".
    Frame frame(context.model());
    for (const auto& entry : context.model().entries())
        if (entry.steps.size() > 2) context.model().setSelectedEntries({entry.id});
    frame.resize(1100, 760);
    context.save(&frame, QStringLiteral("activity-long-entry"));
}

OLVA_SHOT(activity_search_empty)
{
    Frame frame(context.model());
    frame.view->searchField()->setText(QStringLiteral("quarterly"));
    context.save(&frame, QStringLiteral("activity-search-empty"));
}

OLVA_SHOT(activity_first_run)
{
    olva::app::ModelServices services;
    Model model(std::make_shared<olva::Store>(context.home() / ".local/share/Olva-first-run"), services);
    auto started = model.ensureStarted();
    olva::test::processUntil([&] { return started.isFinished(); });
    Frame frame(model);
    context.save(&frame, QStringLiteral("activity-first-run"));
}

OLVA_SHOT(explain_sheet)
{
    // Every verdict in one picture: a live rule beside dry runs.
    Model& model = context.model();
    model.edit(QStringLiteral("Dry Runs"), [&](olva::Config& config) {
        for (auto& rule : config.folders.front().rules) rule.dryRun = true;
        config.folders.front().rules[1].dryRun = false;
    });
    auto explained = context.model().explainFile(context.home() / "Downloads/invoice-2026-12.pdf");
    olva::test::processUntil([&] { return explained.isFinished(); });
    olva::app::ExplainSheet sheet(context.model());
    context.save(&sheet, QStringLiteral("explain-sheet"));
}
