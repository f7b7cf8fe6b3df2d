// Colours and small drawings the activity views share: the error text
// colour, the pass and fail marks of a condition and the error badge on a
// file icon.
#pragma once

#include <QColor>
#include <QPalette>
#include <QRectF>

class QPainter;
class QWidget;

namespace olva::app {

// Text that matters less: dates, rule names, labels, reverted rows.
QColor secondaryTextColor(const QPalette& palette, bool selected = false);
// Error text: red, but the highlighted text colour on a selected row, where
// red would be hard to read.
QColor errorTextColor(const QPalette& palette, bool highlighted = false);

// Sets a widget's text colour.
void setTextColor(QWidget* widget, const QColor& color);

// A check mark or a cross drawn in `color`, centred in `rect`.
void paintCheckMark(QPainter& painter, const QRectF& rect, const QColor& color);
void paintCross(QPainter& painter, const QRectF& rect, const QColor& color);
// A white exclamation mark on a red disc, filling `rect`.
void paintErrorBadge(QPainter& painter, const QRectF& rect);

}  // namespace olva::app
