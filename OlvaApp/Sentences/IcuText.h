// QString and ICU share UTF-16, so text crosses between them unconverted.
#pragma once

#include <QString>

#include <unicode/unistr.h>

namespace olva::app {

inline icu::UnicodeString toIcu(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()));
}

inline QString fromIcu(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

}  // namespace olva::app
