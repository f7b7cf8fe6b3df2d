#include "OlvaApp/MainView/SelectionLink.h"

#include <QItemSelectionModel>
#include <QListView>
#include <QStringListModel>

#include <functional>
#include <vector>

#include <gtest/gtest.h>

using namespace olva::app;

// What the model shows in the view is not handed back as the user's choice;
// whatever else changes the view's selection is, an emptied one too.
TEST(SelectionLink, HandsOnOnlyTheUsersSelection)
{
    QStringListModel rows({"A", "B", "C"});
    QListView view;
    view.setModel(&rows);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    std::vector<int> taken;  // -1 for an empty selection
    SelectionLink link(&view, [&](const QModelIndex& row) { taken.push_back(row.isValid() ? row.row() : -1); });
    QItemSelectionModel* selection = view.selectionModel();

    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<int> taken;
        int selected;  // -1 for none
    };
    const Step steps[] = {
        {"the model's row", [&] { link.show(rows.index(1)); }, {}, 1},
        {"the model's row again", [&] { link.show(rows.index(1)); }, {}, 1},
        {"the user's row", [&] { selection->setCurrentIndex(rows.index(2), QItemSelectionModel::ClearAndSelect); },
         {2}, 2},
        {"the model's none", [&] { link.show({}); }, {}, -1},
        {"the user's row after none", [&] { view.setCurrentIndex(rows.index(0)); }, {0}, 0},
        {"the user's none", [&] { selection->clearSelection(); }, {-1}, -1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        taken.clear();
        step.act();
        EXPECT_EQ(taken, step.taken);
        const QModelIndexList selected = selection->selectedIndexes();
        EXPECT_EQ(selected.isEmpty() ? -1 : selected.front().row(), step.selected);
        if (step.selected >= 0) {
            EXPECT_EQ(view.currentIndex().row(), step.selected);
        }
    }
}
