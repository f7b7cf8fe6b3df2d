#include "tests/app-mainview/MainWindowFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMenu>
#include <QTest>
#include <QUndoStack>

namespace olva::test {

void WindowPresenter::present()
{
    ++presented;
    if (window) window->show();
}

QUndoStack* WindowPresenter::undoStack() { return window ? window->undoStack() : nullptr; }

MainWindowFixture::~MainWindowFixture()
{
    for (QWidget* popup = QApplication::activePopupWidget(); popup; popup = QApplication::activePopupWidget())
        popup->close();
    presenter.window = nullptr;
    mainWindow_.reset();
}

void MainWindowFixture::open(const Config& config)
{
    writeRules(config);
    model().setMainWindowPresenter(&presenter);
    ASSERT_TRUE(start());
    ASSERT_FALSE(model().loadError()) << model().loadError()->toStdString();
    ASSERT_TRUE(until([&] { return model().folderStatus().size() == model().config().folders.size(); }));
    mainWindow_ = std::make_unique<app::MainWindow>(model());
    presenter.window = mainWindow_.get();
    mainWindow_->resize(900, 600);
    mainWindow_->show();
    QApplication::processEvents();
}

QStringList MainWindowFixture::folderNames()
{
    QStringList names;
    for (const Folder& folder : model().config().folders)
        names << QString::fromStdString(std::filesystem::path(folder.path).filename().string());
    return names;
}

QStringList MainWindowFixture::ruleNames(int folder)
{
    QStringList names;
    for (const Rule& rule : model().config().folders.at(static_cast<std::size_t>(folder)).rules)
        names << QString::fromStdString(rule.name);
    return names;
}

std::vector<std::string> MainWindowFixture::ruleNamesOnDisk(int folder)
{
    std::vector<std::string> names;
    const Config config = rulesOnDisk();
    for (const Rule& rule : config.folders.at(static_cast<std::size_t>(folder)).rules) names.push_back(rule.name);
    return names;
}

QString MainWindowFixture::undoText() { return mainWindow().undoStack()->undoText(); }

QString MainWindowFixture::redoText() { return mainWindow().undoStack()->redoText(); }

void MainWindowFixture::click(QAbstractItemView* view, const QModelIndex& index, QPoint at)
{
    if (at.isNull()) at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QApplication::processEvents();
}

void MainWindowFixture::doubleClick(QAbstractItemView* view, const QModelIndex& index)
{
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QApplication::processEvents();
}

void MainWindowFixture::press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(widget, static_cast<Qt::Key>(key), modifiers);
    QApplication::processEvents();
}

QStringList MainWindowFixture::contextMenu(QWidget* widget, QPoint at, const QString& choose)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return {};
    QStringList texts;
    QAction* chosen = nullptr;
    for (QAction* action : menu->actions()) {
        texts << (action->isSeparator() ? QString() : action->text());
        if (!choose.isEmpty() && action->text() == choose) chosen = action;
    }
    menu->close();
    if (chosen) chosen->trigger();
    QApplication::processEvents();
    return texts;
}

bool MainWindowFixture::drop(QWidget* target, QMimeData* data, QPoint at, Qt::DropActions actions)
{
    std::unique_ptr<QMimeData> owned(data);
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent dropped(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    if (actions & Qt::MoveAction) dropped.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(target, &dropped);
    settle();
    return dropped.isAccepted();
}

QMimeData* MainWindowFixture::urls(const std::vector<std::filesystem::path>& paths)
{
    QList<QUrl> list;
    for (const auto& path : paths) list << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    auto* data = new QMimeData;
    data->setUrls(list);
    return data;
}

void MainWindowFixture::settle()
{
    // Queued calls post events that may post more: a few rounds take them.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace olva::test
