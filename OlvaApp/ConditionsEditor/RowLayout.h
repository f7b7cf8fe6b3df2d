// Measures shared by the rows of the conditions editor.
#pragma once

#include <QString>

#include <string_view>

class QBoxLayout;
class QToolButton;
class QWidget;

namespace olva::app {

// Every row is this high; the editor grows with its rows up to the most.
inline constexpr int conditionRowHeight = 30;
inline constexpr int conditionsEditorMaxHeight = 240;
// How far each level of nesting moves a row to the right.
inline constexpr int nestingIndent = 22;

// A row's horizontal layout: fixed height, indented by its depth.
QBoxLayout* makeRowLayout(QWidget* row, int depth);

// A small button showing the symbol's icon, with the label read by screen
// readers and shown as a tooltip (and as its text where no icon is found).
QToolButton* makeRowButton(std::string_view symbol, const QString& label, QWidget* parent);

}  // namespace olva::app
