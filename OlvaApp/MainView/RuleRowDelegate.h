// Draws a rule's row: its name in semibold with the dry-run badge, its
// sentence below in a smaller secondary line with folder chips, and its
// on/off switch at the trailing edge. A disabled rule stands back in the
// secondary tone. The switch answers clicks (the list turns it with the space bar); chips answer
// tooltips and context menus through placeAt().
#pragma once

#include <QRect>
#include <QStyledItemDelegate>

namespace olva::app {

class RulesModel;

class RuleRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit RuleRowDelegate(QObject* parent = nullptr);

    struct Geometry {
        QRect name;
        QRect badge;     // empty for a rule that is not a dry run
        QRect sentence;
        QRect toggle;
    };
    Geometry geometry(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    // The place under `point` in the row's sentence; empty when none.
    QString placeAt(const QStyleOptionViewItem& option, const QModelIndex& index, const QPoint& point) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // A switch drawn the way the rows draw theirs.
    static void paintToggle(QPainter& painter, const QRect& rect, bool on, const QPalette& palette, bool enabled,
                            bool selected);
    static QSize toggleSize();

private:
    bool pressedOnToggle_ = false;
};

}  // namespace olva::app
