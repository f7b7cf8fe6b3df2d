// Draws the cells of the activity table: the file's icon with an error
// badge and its name, the result as a sentence with folder chips (or the
// failure in red, or "Reverted"), and the rule and date in the secondary
// colour.
#pragma once

#include <QStyledItemDelegate>

namespace olva::app {

class ActivityTableModel;

class ActivityDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    ActivityDelegate(const ActivityTableModel& table, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The height of a row whose result holds a folder chip.
    static int rowHeight(const QFont& font);
    // Where a cell's words go; the whole of them shows in a tooltip where
    // they were cut, and a chip's path where the pointer is on one.
    QRect contentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    // What a cell's margins take of its width, and the name's room for its
    // icon: what a column needs beyond its words.
    static int contentMargin(const QWidget* widget);
    static int nameIndent();

private:
    const ActivityTableModel& table_;
};

}  // namespace olva::app
