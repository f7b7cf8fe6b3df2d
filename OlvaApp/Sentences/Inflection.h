// Counted phrases whose words agree with their number in every locale.
#pragma once

#include <QString>

namespace olva::app {

// `pattern` is an ICU message, already passed through tr(), whose argument
// `count` carries the plural choice:
//   "{count, plural, one {# file} other {# files}} organized today"
// A pattern ICU cannot read (a broken translation) comes back as it is.
QString inflected(const QString& pattern, qint64 count);

}  // namespace olva::app
