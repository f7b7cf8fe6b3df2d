#include "tests/support/app/AppTestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLocale>
#include <QStyleFactory>
#include <QThread>

#include <unicode/locid.h>

#include <cstdlib>

namespace olva::test {

void pinLocaleAndPlatform()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LANG", "en_US.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void pinStyle()
{
    QApplication::setOrganizationName(QStringLiteral("Olva"));
    QApplication::setApplicationName(QStringLiteral("Olva"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(lightPalette());
}

namespace {

// Each colour of the two palettes the tests pin, light and dark side by side.
struct Tone {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    QColor light;
    QColor dark;
};

const Tone kTones[] = {
    {QPalette::All, QPalette::Window, QColor(0xef, 0xef, 0xef), QColor(0x2b, 0x2b, 0x2b)},
    {QPalette::All, QPalette::WindowText, Qt::black, QColor(0xe8, 0xe8, 0xe8)},
    {QPalette::All, QPalette::Base, Qt::white, QColor(0x1e, 0x1e, 0x1e)},
    {QPalette::All, QPalette::AlternateBase, QColor(0xf7, 0xf7, 0xf7), QColor(0x26, 0x26, 0x26)},
    {QPalette::All, QPalette::Text, Qt::black, QColor(0xe8, 0xe8, 0xe8)},
    {QPalette::All, QPalette::Button, QColor(0xef, 0xef, 0xef), QColor(0x35, 0x35, 0x35)},
    {QPalette::All, QPalette::ButtonText, Qt::black, QColor(0xe8, 0xe8, 0xe8)},
    {QPalette::All, QPalette::Highlight, QColor(0x30, 0x8c, 0xc6), QColor(0x2a, 0x72, 0xb5)},
    {QPalette::All, QPalette::HighlightedText, Qt::white, Qt::white},
    {QPalette::All, QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc), QColor(0x3a, 0x3a, 0x3a)},
    {QPalette::All, QPalette::ToolTipText, Qt::black, QColor(0xe8, 0xe8, 0xe8)},
    {QPalette::All, QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80), QColor(0x90, 0x90, 0x90)},
    {QPalette::All, QPalette::Link, QColor(0x00, 0x57, 0xae), QColor(0x5e, 0xa8, 0xf0)},
    {QPalette::Disabled, QPalette::Text, QColor(0xa0, 0xa0, 0xa0), QColor(0x70, 0x70, 0x70)},
    {QPalette::Disabled, QPalette::WindowText, QColor(0xa0, 0xa0, 0xa0), QColor(0x70, 0x70, 0x70)},
    {QPalette::Disabled, QPalette::ButtonText, QColor(0xa0, 0xa0, 0xa0), QColor(0x70, 0x70, 0x70)},
};

QPalette pinnedPalette(bool dark)
{
    QPalette palette;
    for (const Tone& tone : kTones) palette.setColor(tone.group, tone.role, dark ? tone.dark : tone.light);
    return palette;
}

}  // namespace

QPalette lightPalette() { return pinnedPalette(false); }

QPalette darkPalette() { return pinnedPalette(true); }

bool processUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout.count());
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

}  // namespace olva::test
