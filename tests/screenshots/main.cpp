// olva_screenshots [NAME-PART...]: takes every registered picture, or those
// whose name contains one of the arguments.
#include "tests/screenshots/Shots.h"
#include "tests/support/app/AppTestSupport.h"

#include <QApplication>
#include <QLocale>
#include <QStyleFactory>

#include <unicode/locid.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace olva::shots {
std::vector<Shot>& registeredShots();
}

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

    int taken = 0;
    for (const auto& shot : olva::shots::registeredShots()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i) wanted = wanted || std::string(shot.name).find(argv[i]) != std::string::npos;
        if (!wanted) continue;
        std::printf("%s\n", shot.name);
        olva::shots::ShotContext context;
        shot.take(context);
        ++taken;
    }
    std::printf("%d pictures in %s\n", taken, OLVA_SCREENSHOT_DIR);
    return 0;
}
