// The main of every app test program: one QApplication with the locale,
// platform, style and palette pinned.
#include "tests/support/app/AppTestSupport.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    olva::test::pinLocaleAndPlatform();
    QApplication app(argc, argv);
    olva::test::pinStyle();

    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
