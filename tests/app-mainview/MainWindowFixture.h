// A started model on its own scratch world with the real main window on
// it, and the mouse, keyboard, menu and drop gestures the window's tests
// make.
#pragma once

#include "OlvaApp/MainView/MainWindow.h"
#include "OlvaApp/Model/MainWindowPresenter.h"
#include "tests/support/app/ModelFixture.h"

#include <QList>
#include <QMimeData>
#include <QStringList>
#include <QUrl>

#include <memory>

class QAbstractItemView;
class QMenu;

namespace olva::test {

// Hands the model the window under test, as the shell's presenter does.
class WindowPresenter : public app::MainWindowPresenter {
public:
    void present() override;
    QUndoStack* undoStack() override;

    app::MainWindow* window = nullptr;
    int presented = 0;
};

class MainWindowFixture : public ModelFixture {
protected:
    ~MainWindowFixture() override;

    // Writes `config`, starts the model on it, waits for the engine to
    // report every folder's status, and shows the window.
    void open(const Config& config);
    app::MainWindow& mainWindow() { return *mainWindow_; }

    // The folders of the model's rules, by name, and the rule names of one.
    QStringList folderNames();
    QStringList ruleNames(int folder);
    std::vector<std::string> ruleNamesOnDisk(int folder);

    // The undo history's next undo and redo names.
    QString undoText();
    QString redoText();

    void click(QAbstractItemView* view, const QModelIndex& index, QPoint at = {});
    void doubleClick(QAbstractItemView* view, const QModelIndex& index);
    void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The menu a right-click at `at` pops up ("" for a divider); empty
    // when none. With `choose`, that item is triggered.
    QStringList contextMenu(QWidget* widget, QPoint at, const QString& choose = {});
    // A drop of `data` at `at` as the desktop delivers it: enter, move,
    // drop; whether the drop was taken. Runs queued work afterwards.
    bool drop(QWidget* target, QMimeData* data, QPoint at, Qt::DropActions actions = Qt::CopyAction);
    static QMimeData* urls(const std::vector<std::filesystem::path>& paths);
    // Runs what the views queued (not the engine's answers: wait for those
    // with until()).
    void settle();

    WindowPresenter presenter;

private:
    std::unique_ptr<app::MainWindow> mainWindow_;
};

}  // namespace olva::test
