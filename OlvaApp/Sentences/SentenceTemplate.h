// Localized templates with pieces spliced in. A template marks where its
// n-th piece goes with the private-use character sentenceMarker(n); only the
// template is read for markers, never a piece, so a file name or a value that
// holds a marker, "%1" or braces shows exactly as typed.
#pragma once

#include "OlvaApp/Sentences/Segment.h"

#include <QStringList>

#include <variant>

namespace olva::app {

// Marker n: U+E000 + n through the private-use area of the first plane, then
// on through the private-use planes 15 and 16; an empty string past them.
QString sentenceMarker(qsizetype n);
// The piece number a character stands for, or -1 when it is no marker.
qsizetype markerIndex(char32_t character);

// A piece is a run of words that joins the template's own words (user text
// goes here: it becomes part of the text around it), or a sentence spliced
// in with its segments as they are.
using Piece = std::variant<QString, Sentence>;

// The template with marker n replaced by piece n. A marker without a piece
// stays in the text. Never yields an empty text segment of its own making.
Sentence segments(const QString& localizedTemplate, const QList<Piece>& pieces);

// The same for plain text: marker n replaced by texts[n], in one pass.
QString filled(const QString& localizedTemplate, const QStringList& texts);

}  // namespace olva::app
