#include "OlvaApp/RuleSheet/FocusOrder.h"

#include <QLayout>
#include <QSet>
#include <QWidget>

namespace olva::app {

namespace {

void collect(QWidget* widget, QWidget* root, QList<QWidget*>& stops);

void collectLayout(QLayout* layout, QWidget* root, QList<QWidget*>& stops, QSet<QWidget*>& seen)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* widget = item->widget()) {
            seen.insert(widget);
            collect(widget, root, stops);
        } else if (QLayout* inner = item->layout()) {
            collectLayout(inner, root, stops, seen);
        }
    }
}

void collect(QWidget* widget, QWidget* root, QList<QWidget*>& stops)
{
    // Menus, popups and dialogs of their own keep their own order.
    if (widget != root && widget->isWindow()) return;
    if (widget != root && (widget->focusPolicy() & Qt::TabFocus)) stops << widget;
    // A widget that hands its focus to a part of itself (a spin box to its
    // text) is one stop. (A scroll area's viewport hands its focus up to
    // the area instead: what it holds is still walked.)
    if (widget->focusProxy() && widget->isAncestorOf(widget->focusProxy())) return;
    QSet<QWidget*> seen;
    if (QLayout* layout = widget->layout()) collectLayout(layout, root, stops, seen);
    // Children outside any layout (a scroll area's viewport and what it
    // holds) come after, in the order they were made.
    for (QObject* child : widget->children())
        if (auto* inner = qobject_cast<QWidget*>(child); inner && !seen.contains(inner)) collect(inner, root, stops);
}

}  // namespace

QList<QWidget*> focusStopsAsRead(QWidget* root)
{
    QList<QWidget*> stops;
    if (root) collect(root, root, stops);
    return stops;
}

void orderFocusAsRead(QWidget* root)
{
    const QList<QWidget*> stops = focusStopsAsRead(root);
    for (qsizetype i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1], stops[i]);
}

}  // namespace olva::app
