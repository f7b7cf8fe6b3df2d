// The type sizes, tones and colours the views share, derived from the
// platform's font and palette so that they follow the desktop's settings and
// dark themes: a callout line under a name, a caption badge, a headline, a
// secondary tone for words that stand back, the red of what went wrong, the
// orange of dry runs; and the plain-text label every name and message is
// shown in.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QLabel;
class QWidget;

namespace olva::app {

// A little smaller than `base`: the sentence under a rule's name.
QFont calloutFont(const QFont& base);
// Smaller again: badges and footnotes.
QFont captionFont(const QFont& base);
// `base` in semibold: names and titles.
QFont semiboldFont(const QFont& base);
// A sheet's title.
QFont headlineFont(const QFont& base);
// The fixed-width face at the size of `base`: name patterns.
QFont patternFont(const QFont& base);

// `color` at a lower opacity, for texts that stand back (secondary) and for
// fills behind them (quaternary).
QColor secondaryTone(const QColor& color);
QColor quaternaryTone(const QColor& color);

// The colour of words in `palette` for a widget or row that is (not)
// selected.
QColor foreground(const QPalette& palette, bool selected = false);

// What went wrong: a red that reads on the palette's base, light or dark.
QColor errorRed(const QPalette& palette);
// Dry runs and paused folders: the one orange, on any palette.
QColor dryRunOrange();

// A word-wrapped label that shows `text` exactly as typed, never as markup
// (a file name may hold "<img src=…>"); a selectable one lets mouse and
// keyboard select its words.
enum class Selectable { no, yes };
QLabel* plainLabel(const QString& text, QWidget* parent, Selectable selectable = Selectable::no);

// `text` for a one-line label: line breaks and tabs become spaces, other
// control characters their visible pictures (U+2400…), so nothing typed
// is hidden or breaks the line.
QString singleLine(const QString& text);

// A tooltip that shows `text` exactly as typed: Qt would otherwise read a
// text that looks like markup as rich text.
QString plainToolTip(const QString& text);

}  // namespace olva::app
