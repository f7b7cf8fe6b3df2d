#include "OlvaApp/PlaceChip/SymbolIcon.h"

#include "OlvaApp/Sentences/SymbolIcons.h"

#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QFileInfo>
#include <QIconEngine>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

#include <optional>

namespace olva::app {

// Without a theme from the desktop (no platform theme, as offscreen), Qt
// finds no icon by name at all: it then looks in the desktop's icon folders,
// in the theme every Debian desktop installs.
void ensureThemeFallback()
{
    static const bool done = [] {
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& icons :
             QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                       QStandardPaths::LocateDirectory))
            if (!paths.contains(icons)) paths << icons;
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    (void)done;
}

QString bundledIconPath(const QString& name) { return QStringLiteral(":/symbols/") + name + QStringLiteral(".svg"); }

namespace {

QIcon bundledIcon(const QString& name)
{
    const QString bundled = bundledIconPath(name);
    return QFile::exists(bundled) ? QIcon(bundled) : QIcon();
}

QIcon themedOrBundled(const QString& name)
{
    ensureThemeFallback();
    if (name.isEmpty()) return {};
    QIcon icon = QIcon::fromTheme(name);
    if (!icon.isNull()) return icon;
    icon = QIcon::fromTheme(name + QStringLiteral("-symbolic"));
    if (!icon.isNull()) return icon;
    return bundledIcon(name);
}

// Paints another icon's pixmaps in one colour, keeping their shape: a fixed
// colour, or else the application palette's colour for words in the mode
// asked for, read at each drawing, so that symbolic icons follow light and
// dark palettes and selected rows.
class TintEngine : public QIconEngine {
public:
    TintEngine(QIcon icon, std::optional<QColor> color) : icon_(std::move(icon)), color_(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap source = icon_.pixmap(size, scale, QIcon::Normal, state);
        if (source.isNull()) return source;
        QPixmap tinted(source.size());
        tinted.setDevicePixelRatio(source.devicePixelRatio());
        tinted.fill(Qt::transparent);
        QPainter painter(&tinted);
        painter.drawPixmap(0, 0, source);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(tinted.rect(), colorFor(mode));
        return tinted;
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon_.actualSize(size, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon_.availableSizes(mode, state);
    }

    QString iconName() override { return icon_.name(); }
    QIconEngine* clone() const override { return new TintEngine(icon_, color_); }
    QString key() const override { return QStringLiteral("olva-tint"); }
    bool isNull() override { return icon_.isNull(); }

private:
    QColor colorFor(QIcon::Mode mode) const
    {
        const QPalette palette = QGuiApplication::palette();
        QColor color = color_ ? *color_
                       : mode == QIcon::Selected ? palette.color(QPalette::HighlightedText)
                                                 : palette.color(QPalette::WindowText);
        if (mode == QIcon::Disabled) color.setAlphaF(color.alphaF() * 0.45);
        return color;
    }

    QIcon icon_;
    std::optional<QColor> color_;
};

// The theme's symbolic (one-colour) variant of `name`, drawn in the
// palette's colours, when the theme has one: the look of the symbols the
// views are drawn with.
QIcon symbolic(const QString& name, std::optional<QColor> color)
{
    ensureThemeFallback();
    QIcon icon = QIcon::fromTheme(name + QStringLiteral("-symbolic"));
    if (icon.isNull()) return {};
    return QIcon(new TintEngine(std::move(icon), color));
}

}  // namespace

QIcon symbolIcon(std::string_view symbol)
{
    const QString name = iconName(symbol);
    QIcon icon = symbolic(name, std::nullopt);
    if (!icon.isNull()) return icon;
    ensureThemeFallback();
    if (!name.isEmpty()) icon = QIcon::fromTheme(name);
    if (!icon.isNull()) return icon;
    // The shipped symbols are one-coloured like the theme's symbolic ones,
    // and drawn in the palette's colours the same way.
    icon = bundledIcon(name);
    return icon.isNull() ? icon : QIcon(new TintEngine(std::move(icon), std::nullopt));
}

QIcon namedIcon(const QString& name) { return themedOrBundled(name); }

QIcon tintedSymbol(std::string_view symbol, const QColor& color)
{
    const QString name = iconName(symbol);
    QIcon icon = symbolic(name, color);
    if (!icon.isNull()) return icon;
    icon = themedOrBundled(name);
    if (icon.isNull()) return icon;
    return QIcon(new TintEngine(std::move(icon), color));
}

QIcon warningSymbol()
{
    // In colour, not symbolic: a yellow triangle around a dark mark.
    QIcon icon = themedOrBundled(iconName("exclamationmark.triangle.fill"));
    return icon.isNull() ? symbolIcon("exclamationmark.triangle.fill") : icon;
}

QIcon genericFolderIcon() { return themedOrBundled(QStringLiteral("folder")); }

QIcon placeIcon(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) return genericFolderIcon();
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(info);
    QIcon icon = themedOrBundled(type.iconName());
    if (icon.isNull()) icon = themedOrBundled(type.genericIconName());
    if (icon.isNull()) icon = info.isDir() ? genericFolderIcon() : themedOrBundled(QStringLiteral("text-x-generic"));
    return icon;
}

}  // namespace olva::app
