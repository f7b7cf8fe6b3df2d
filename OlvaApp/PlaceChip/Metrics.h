// The sizes and spaces the views share, so that rows, buttons, sheets and
// empty views line up with each other.
#pragma once

namespace olva::app::sizes {

// An icon in a row or a button, and the space between it and its text (or
// between two small items of a row).
inline constexpr int smallIcon = 16;
inline constexpr int spacing = 6;
// The icon that heads a sheet or an empty view.
inline constexpr int largeIcon = 48;
// Around a sheet's content.
inline constexpr int sheetMargin = 20;

}  // namespace olva::app::sizes
