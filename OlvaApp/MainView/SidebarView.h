// The sidebar's list: Activity and the watched folders, bound to the
// model's selection. Folders are removed with Delete or the context menu,
// added from the empty space's context menu, and dropped in from the file
// manager along with Hazel exports to import.
#pragma once

#include <QListView>

namespace olva::app {

class Model;
class SelectionLink;
class SidebarModel;

class SidebarView : public QListView {
    Q_OBJECT

public:
    explicit SidebarView(Model& model, QWidget* parent = nullptr);

    SidebarModel* rows() const { return rows_; }

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void showModelSelection();

    Model& model_;
    SidebarModel* rows_;
    SelectionLink* selection_;
};

}  // namespace olva::app
