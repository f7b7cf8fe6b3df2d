// Draws one preview row: the file's icon and name (cut in the middle when
// long), then, at the row's end, what the draft would do to it, with folders
// as chips (dashed for a dry run), a mismatch dimmed and an error in red.
// Chips tell their path as a tooltip and offer "Show in File Manager".
#pragma once

#include "OlvaApp/PlaceChip/SentenceLayout.h"

#include <QStyledItemDelegate>

namespace olva::app {

class Workspace;

class PreviewRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit PreviewRowDelegate(Workspace* workspace, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The folder chip at `pos` (view coordinates) in the row drawn in
    // `option`; empty when none.
    QString placeAt(const QStyleOptionViewItem& option, const QModelIndex& index, const QPoint& pos) const;

private:
    struct Geometry {
        QRect icon;
        QRect name;
        QPointF detailOrigin;
        SentenceLayout detail;
    };
    Geometry layout(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    Workspace* workspace_;
};

}  // namespace olva::app
