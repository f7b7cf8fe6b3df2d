#include "tests/screenshots/Shots.h"

#include "OlvaApp/MainView/MainWindow.h"

OLVA_SHOT(main_window)
{
    olva::app::MainWindow window(context.model());
    window.resize(960, 620);
    context.save(&window, QStringLiteral("main-window"));
}
