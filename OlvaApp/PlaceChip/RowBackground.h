// A row that draws its own words on the background the style gives it: the
// hover and selection look of the desktop's theme, with nothing of the item's
// own text, icon or check box.
#pragma once

#include <QStyleOptionViewItem>

class QPainter;

namespace olva::app {

// `option` as the delegate initialised it for the row.
void paintRowBackground(QPainter* painter, QStyleOptionViewItem option);

}  // namespace olva::app
