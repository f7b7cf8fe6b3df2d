// The selected folder in the main window: its name and a line on its rules,
// the problem bar when the folder is missing or unreadable, and its rules
// list, or the suggestions while it has none. Its toolbar actions are the
// folder's options menu and "New Rule".
#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QMenu;

namespace olva::app {

class EmptyRulesState;
class FolderProblemBar;
class Model;
class RulesListView;

class FolderView : public QWidget {
    Q_OBJECT

public:
    explicit FolderView(Model& model, QWidget* parent = nullptr);
    ~FolderView() override;

    // Shows the folder at `folder` of the model's rules.
    void setFolder(int folder);
    int folder() const { return folder_; }

    // "Folder Options" (a menu) and "New Rule", for the window's toolbar.
    QList<QAction*> toolbarActions() const;
    QAction* folderOptionsAction() const { return folderOptions_; }
    QAction* newRuleAction() const { return newRule_; }

    // The folder's name and the line under it.
    QString title() const;
    QString subtitle() const;

    RulesListView* rulesList() const { return list_; }
    EmptyRulesState* emptyState() const { return empty_; }
    FolderProblemBar* problemBar() const { return problemBar_; }

signals:
    // The title changed (the window shows it).
    void titleChanged(const QString& title);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    Model& model_;
    int folder_ = -1;
    QLabel* title_;
    QLabel* subtitle_;
    FolderProblemBar* problemBar_;
    RulesListView* list_;
    EmptyRulesState* empty_;
    QMenu* optionsMenu_;
    QAction* folderOptions_;
    QAction* newRule_;
};

}  // namespace olva::app
