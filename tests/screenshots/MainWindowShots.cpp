#include "tests/screenshots/Shots.h"

#include "OlvaApp/MainView/FolderView.h"
#include "OlvaApp/MainView/ImportSheet.h"
#include "OlvaApp/MainView/MainWindow.h"
#include "OlvaApp/MainView/RulesListView.h"
#include "OlvaApp/Model/Model.h"
#include "tests/support/app/AppTestSupport.h"

#include "Core/model/Model.h"

#include <QApplication>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>

namespace {

using olva::app::MainWindow;
using olva::app::Model;
using olva::app::Selection;
using olva::shots::ShotContext;

// The window at the size it first opens at, and at the narrowest that half
// a small screen asks for.
void saveOpeningAndNarrow(ShotContext& context, MainWindow& window, const QString& opening, const QString& narrow)
{
    window.resize(1000, 640);
    context.save(&window, opening);
    window.resize(700, 640);
    context.save(&window, narrow);
}

}  // namespace

OLVA_SHOT(main_window)
{
    MainWindow window(context.model());
    context.model().setSelection(Selection::activity());
    const auto& entries = context.model().entries();
    if (!entries.empty()) context.model().setSelectedEntries({entries.front().id});
    saveOpeningAndNarrow(context, window, QStringLiteral("main-window"), QStringLiteral("main-window-700"));
    // Wide enough for the inspector beside the table.
    window.resize(1200, 640);
    context.save(&window, QStringLiteral("main-window-wide"));
}

OLVA_SHOT(main_folder)
{
    Model& model = context.model();
    // A second dry run, so that both looks of a chip show: dashed while
    // only logging, filled once live.
    model.edit(QStringLiteral("Fixture"), [](olva::Config& config) { config.folders[0].rules[0].dryRun = true; });
    MainWindow window(model);
    model.setSelection(Selection::folder(0));
    model.setSelectedRule(1);
    saveOpeningAndNarrow(context, window, QStringLiteral("main-folder"), QStringLiteral("main-folder-700"));
}

OLVA_SHOT(main_first_run)
{
    Model& model = context.model();
    const auto fresh = context.home() / "Projects";
    std::filesystem::create_directories(fresh);
    MainWindow window(model);
    model.addFolder(fresh);
    // The suggestions wrap their sentences in a narrow window.
    saveOpeningAndNarrow(context, window, QStringLiteral("main-first-run"), QStringLiteral("main-suggestions-700"));
}

OLVA_SHOT(main_problem_bar)
{
    Model& model = context.model();
    MainWindow window(model);
    model.setSelection(Selection::folder(2));
    window.resize(960, 620);
    context.save(&window, QStringLiteral("main-problem-bar"));
}

OLVA_SHOT(main_folder_menu)
{
    Model& model = context.model();
    MainWindow window(model);
    model.setSelection(Selection::folder(1));
    window.resize(960, 620);
    window.show();
    QMenu* menu = window.folderView()->folderOptionsAction()->menu();
    emit menu->aboutToShow();
    context.save(menu, QStringLiteral("main-folder-menu"));
}

OLVA_SHOT(main_import_sheet)
{
    Model& model = context.model();
    MainWindow window(model);
    window.resize(960, 620);
    window.show();
    olva::Folder folder;
    folder.path = "~/Downloads";
    for (const char* name : {"Receipts", "Old DMGs", "Screenshots to Pictures", "Zip archives"}) {
        olva::Rule rule;
        rule.name = name;
        rule.dryRun = true;
        rule.enabled = std::string(name) != "Old DMGs";
        rule.match = olva::Group{olva::Group::Mode::all, {olva::Condition{olva::Attr::name, olva::Op::contains, "x"}}};
        rule.actions = {olva::Action::trash()};
        folder.rules.push_back(rule);
    }
    model.setPendingImport(olva::app::PendingImport{
        folder,
        {QStringLiteral("3 of the 4 rules are enabled. All start as dry runs."),
         QStringLiteral("“Receipts”: the condition on the file’s color label was left out; Olva has no color labels."),
         QStringLiteral("“Old DMGs”: “Open with” isn’t supported, so the action was left out."),
         QStringLiteral("“Screenshots to Pictures”: the pattern token “date last matched” became “date added”.")}});
    olva::test::processUntil([&] { return window.importSheet() != nullptr; });
    context.save(window.importSheet(), QStringLiteral("main-import-sheet"));
}
