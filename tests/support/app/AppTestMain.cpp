// The main of every app test program: one QApplication on the offscreen
// platform, with the locale, style and palette pinned so that words, sort
// orders and pictures are the same on every machine. The machines have only
// the C locale, under which ICU says "1 files" and QCollator ignores numbers.
#include "tests/support/app/AppTestSupport.h"

#include <QApplication>
#include <QLocale>
#include <QStyleFactory>

#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LANG", "en_US.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Olva"));
    QApplication::setApplicationName(QStringLiteral("Olva"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(olva::test::lightPalette());

    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
