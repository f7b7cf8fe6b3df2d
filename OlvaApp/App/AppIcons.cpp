#include "OlvaApp/App/AppIcons.h"

#include "OlvaApp/App/TintedIconEngine.h"
#include "OlvaApp/Sentences/SymbolIcons.h"

#include <mutex>

// Resources of a static library are registered by name, outside any namespace.
static void registerBundledIcons() { Q_INIT_RESOURCE(icons); }

namespace olva::app {

void initIcons()
{
    static std::once_flag once;
    std::call_once(once, [] {
        registerBundledIcons();
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    });
}

QString bundledIconPath(const QString& name) { return QStringLiteral(":/icons/") + name + QStringLiteral(".svg"); }

QIcon themedIcon(const QString& name)
{
    initIcons();
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return QIcon(bundledIconPath(name));
}

QIcon symbolIcon(std::string_view symbol, std::optional<QColor> tint)
{
    initIcons();
    const QString name = iconName(symbol);
    if (!tint && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return QIcon(new TintedIconEngine(bundledIconPath(name), tint));
}

}  // namespace olva::app
