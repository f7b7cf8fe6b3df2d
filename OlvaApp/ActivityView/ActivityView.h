// The activity list: every logged run in a table, with scopes, search, an
// inspector beside it and the Revert button. Over the table it says why
// nothing shows (a failed start, a first run, an empty log, a scope or a
// search without entries); its status line counts today's work.
#pragma once

#include "Core/model/Entry.h"

#include <QList>
#include <QWidget>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QSettings;
class QSplitter;
class QTableView;

namespace olva::app {

class ActivityColumns;
class ActivityFilterModel;
class ActivityInspector;
class ActivityTableModel;
class EmptyState;
class Model;

class ActivityView : public QWidget {
    Q_OBJECT

public:
    explicit ActivityView(Model& model, QWidget* parent = nullptr);
    ~ActivityView() override;

    // What the view puts in the main window's toolbar while it is shown:
    // Revert, Show in File Manager, the scopes, Info and the search field.
    QList<QAction*> toolbarActions() const;
    // The checkable "Show Inspector" switch, kept in the settings under
    // "showInspector"; the app's View menu shows this same action.
    QAction* inspectorAction() const { return inspectorAction_; }

    // "Activity", and below it the status line.
    QString title() const;
    QString statusLine() const;

    // The entries the table shows, in the order it shows them.
    std::vector<olva::Entry> rows() const;
    // The selected entries that the table shows, in log order: what Revert,
    // Show in File Manager and the inspector act on.
    std::vector<olva::Entry> visibleSelection() const;

    QTableView* table() const { return table_; }
    QLineEdit* searchField() const { return search_; }
    // Puts the keyboard in the search field, its text selected.
    void focusSearch();
    QAction* revertAction() const { return revertAction_; }
    QAction* revealAction() const { return revealAction_; }
    QActionGroup* scopeGroup() const { return scopeGroup_; }
    // What lies over the table when it shows nothing; hidden otherwise.
    EmptyState* overlay() const { return overlay_; }
    ActivityInspector* inspector() const { return inspector_; }

    // The context menu for the entries with these ids (rows the user
    // right-clicked).
    void fillContextMenu(QMenu& menu, const std::set<std::string>& ids);

signals:
    void statusLineChanged(const QString& statusLine);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildActions();
    void buildLayout();
    void connectModel();

    void updateStatusLine();
    void updateOverlay();
    void updateSelectionDependents();
    void selectFromModel();
    void takeViewSelection();
    void placeOverlay();
    // Shows the inspector while "Info" is checked, whatever the width.
    void updateInspectorShown();
    // The inspector at its ideal width, or narrower, down to its least,
    // while the table is short of its columns' least widths; once the user
    // has moved the divider, where the user left it.
    void fitInspector();

    // The ids of the rows a click on `clicked` acts on: the selected ones
    // when it is among them, else its own.
    std::set<std::string> idsAt(const QModelIndex& clicked) const;
    std::set<std::string> selectedIds() const;
    void openEntry(const olva::Entry& entry);
    void revealEntry(const olva::Entry& entry);
    void explainEntry(const olva::Entry& entry);
    void revert(const std::vector<olva::Entry>& entries);
    void primaryAction(const std::set<std::string>& ids);
    QSettings& settings();

    Model& model_;
    std::unique_ptr<QSettings> ownSettings_;
    ActivityTableModel* tableModel_;
    ActivityFilterModel* filter_;
    ActivityColumns* columns_ = nullptr;
    QTableView* table_ = nullptr;
    QWidget* tablePane_ = nullptr;  // the table, and the overlay over it
    EmptyState* overlay_ = nullptr;
    ActivityInspector* inspector_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* status_ = nullptr;
    QLineEdit* search_ = nullptr;

    QAction* inspectorAction_;
    QAction* revertAction_ = nullptr;
    QAction* revealAction_ = nullptr;
    QActionGroup* scopeGroup_ = nullptr;
    QAction* searchAction_ = nullptr;
    QList<QAction*> toolbarActions_;

    // Set while the view's selection is being made to follow the model's,
    // so that the change does not flow back.
    bool followingModel_ = false;
    bool inspectorSized_ = false;
};

}  // namespace olva::app
