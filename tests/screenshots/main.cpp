// olva_screenshots [NAME-PART...]: takes every registered picture, or those
// whose name contains one of the arguments.
#include "tests/screenshots/Shots.h"
#include "tests/support/app/AppTestSupport.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace olva::shots {
std::vector<Shot>& registeredShots();
}

int main(int argc, char** argv)
{
    olva::test::pinLocaleAndPlatform();
    QApplication app(argc, argv);
    olva::test::pinStyle();

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
    std::printf("%d pictures in %s\n", taken, qPrintable(olva::shots::screenshotDir()));
    return 0;
}
