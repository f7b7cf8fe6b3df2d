#include "OlvaApp/App/AppIcons.h"

namespace olva::app {

QString bundledIconPath(const QString& name) { return QStringLiteral(":/symbols/") + name + QStringLiteral(".svg"); }

QIcon themedIcon(const QString& name)
{
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return QIcon(bundledIconPath(name));
}

}  // namespace olva::app
