// The activity list: every logged run in a table, with scopes, search, an
// inspector beside it and the Revert button.
#pragma once

#include <QList>
#include <QWidget>

class QAction;

namespace olva::app {

class Model;

class ActivityView : public QWidget {
    Q_OBJECT

public:
    explicit ActivityView(Model& model, QWidget* parent = nullptr);
    ~ActivityView() override;

    // What the view puts in the main window's toolbar while it is shown.
    QList<QAction*> toolbarActions() const;
    // The checkable "Show Inspector" switch, kept in the settings under
    // "showInspector"; the app's View menu shows this same action.
    QAction* inspectorAction() const { return inspectorAction_; }

private:
    Model& model_;
    QAction* inspectorAction_;
};

}  // namespace olva::app
