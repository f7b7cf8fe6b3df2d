#include "OlvaApp/Sentences/Inflection.h"

#include "OlvaApp/Sentences/IcuText.h"

#include <QDebug>

#include <unicode/fmtable.h>
#include <unicode/locid.h>
#include <unicode/msgfmt.h>

namespace olva::app {

QString inflected(const QString& pattern, qint64 count)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::MessageFormat format(toIcu(pattern), icu::Locale::getDefault(), status);
    const icu::UnicodeString names[] = {icu::UnicodeString(u"count")};
    const icu::Formattable arguments[] = {icu::Formattable(static_cast<int64_t>(count))};
    icu::UnicodeString text;
    if (U_SUCCESS(status)) format.format(names, arguments, 1, text, status);
    if (U_FAILURE(status)) {
        qWarning() << "A counted phrase cannot be read:" << pattern << u_errorName(status);
        return pattern;
    }
    return fromIcu(text);
}

}  // namespace olva::app
