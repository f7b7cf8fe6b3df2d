// The app ships an SVG for every icon it names, so that a desktop whose
// theme lacks one still shows it.
#include "OlvaApp/App/TrayTexts.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/Sentences/SymbolIcons.h"

#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace olva::app;

namespace {

void expectDrawable(const QString& name)
{
    const QString path = bundledIconPath(name);
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
    QImageReader reader(path);
    reader.setScaledSize(QSize(32, 32));
    EXPECT_FALSE(reader.read().isNull()) << path.toStdString() << ": " << reader.errorString().toStdString();
}

TEST(BundledIcons, EverySymbolOfTheTableHasOne)
{
    for (const SymbolIcon& icon : symbolIcons())
        expectDrawable(QString::fromLatin1(icon.iconName.data(), static_cast<qsizetype>(icon.iconName.size())));
}

TEST(BundledIcons, TheAppAndEachTrayStateHaveTheirs)
{
    expectDrawable(QStringLiteral("tools.olva.app"));
    for (TrayState state : {TrayState::watching, TrayState::paused, TrayState::needsAttention}) {
        expectDrawable(trayStateLook(state).iconName);
        EXPECT_FALSE(namedIcon(trayStateLook(state).iconName).isNull());
    }
}

}  // namespace
