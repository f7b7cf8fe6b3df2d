// The list of a folder's rules. A double click or Return opens a rule in
// the rule sheet (whatever the desktop's single-click setting), Delete
// deletes the selected rule, Space switches it on or off, and Alt+Up or
// Down moves it; rows are dragged to reorder them. A file dropped on the
// list is explained. The selection is the model's selected rule.
#pragma once

#include <QListView>

namespace olva::app {

class Model;
class RuleRowDelegate;
class RulesModel;
class SelectionLink;

class RulesListView : public QListView {
    Q_OBJECT

public:
    explicit RulesListView(Model& model, QWidget* parent = nullptr);

    RulesModel* rules() const { return rules_; }
    RuleRowDelegate* rowDelegate() const { return delegate_; }
    // Shows the rules of the folder at `folder`; -1 for none.
    void setFolder(int folder);

    // The style options a row is drawn with, for hit tests.
    QStyleOptionViewItem rowOption(const QModelIndex& index) const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void showModelSelection();
    // Whether the drag is a file to explain, not rows of this list.
    bool explainsDrop(const QMimeData* data) const;

    Model& model_;
    RulesModel* rules_;
    RuleRowDelegate* delegate_;
    SelectionLink* selection_;
};

}  // namespace olva::app
