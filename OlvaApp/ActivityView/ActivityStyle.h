// Colours and small drawings the activity views share: the secondary and
// error text colours, the pass and fail marks of a condition, the error
// badge on a file icon, and icons named by their symbol.
#pragma once

#include "OlvaApp/PlaceChip/SymbolIcon.h"

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QRectF>

#include <string_view>

class QPainter;
class QWidget;

namespace olva::app {

// Text that matters less: dates, rule names, labels, reverted rows.
QColor secondaryTextColor(const QPalette& palette);
// Error text: red, but the highlighted text colour on a selected row, where
// red would be hard to read.
QColor errorTextColor(const QPalette& palette, bool highlighted = false);
// Red that reads on both light and dark backgrounds.
QColor errorRed(const QPalette& palette);

// Sets a widget's text colour.
void setTextColor(QWidget* widget, const QColor& color);

// A check mark or a cross drawn in `color`, centred in `rect`.
void paintCheckMark(QPainter& painter, const QRectF& rect, const QColor& color);
void paintCross(QPainter& painter, const QRectF& rect, const QColor& color);
// A white exclamation mark on a red disc, filling `rect`.
void paintErrorBadge(QPainter& painter, const QRectF& rect);

}  // namespace olva::app
