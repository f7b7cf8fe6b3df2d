#include "OlvaApp/PlaceChip/PathBar.h"

#include "OlvaApp/ActivityView/FileIcon.h"

#include "OlvaApp/PlaceChip/PlaceCache.h"
#include "OlvaApp/PlaceChip/RevealPlace.h"
#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/PlaceChip/TextStyles.h"

#include "Core/base/Paths.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace olva::app {

namespace {

// A button's text: '&' would otherwise mark a shortcut letter.
QString buttonText(const QString& name) { return singleLine(name).replace(u'&', QStringLiteral("&&")); }

QIcon componentIcon(const QString& path, bool isHome, bool isLast)
{
    // The path ends in the file itself: the icon of its type, also once the
    // file has gone (the folders before it are folders either way).
    if (isLast && !isHome && path != QLatin1String("/")) {
        const Place& place = PlaceCache::shared().lookup(path);
        if (!place.exists) return iconForFileName(path);
        return place.icon;
    }
    if (isHome) {
        QIcon home = namedIcon(QStringLiteral("user-home"));
        if (!home.isNull()) return home;
    }
    if (path == QLatin1String("/")) {
        QIcon disk = namedIcon(QStringLiteral("drive-harddisk"));
        if (!disk.isNull()) return disk;
    }
    return PlaceCache::shared().lookup(path).icon;
}

}  // namespace

PathBar::PathBar(Workspace* workspace, QWidget* parent)
    : QWidget(parent), workspace_(workspace), more_(new QToolButton(this)), moreMenu_(new QMenu(this)),
      moreSeparator_(nullptr)
{
    setFont(calloutFont(font()));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    more_->setText(QStringLiteral("…"));
    more_->setAutoRaise(true);
    // The folded folders drop down on a click. Not the button's own menu:
    // that draws an arrow beside the "…", which reads as a stray mark.
    connect(more_, &QToolButton::clicked, this,
            [this] { moreMenu_->popup(more_->mapToGlobal(QPoint(0, more_->height()))); });
    more_->setAccessibleName(tr("More folders"));
    more_->hide();
}

PathBar::~PathBar() = default;

void PathBar::setPath(const QString& path)
{
    if (path == path_) return;
    path_ = path;
    rebuild();
}

QStringList PathBar::componentPaths() const
{
    QStringList paths;
    for (const Component& component : components_) paths << component.path;
    return paths;
}

void PathBar::rebuild()
{
    for (Component& component : components_) {
        delete component.button;
        delete component.separator;
    }
    components_.clear();
    delete moreSeparator_;
    moreSeparator_ = nullptr;

    const QString full = expandedPlace(path_);
    if (full.isEmpty()) {
        updateGeometry();
        return;
    }
    // From the home folder down when the path lies in it, else from the root.
    const QString home = QString::fromStdString(olva::userHome());
    QString start = QStringLiteral("/");
    if (full == home || full.startsWith(home + u'/')) start = home;
    QStringList paths{start};
    const QString rest = full.mid(start.size());
    QString at = start == QLatin1String("/") ? QString() : start;
    for (const QString& name : rest.split(u'/', Qt::SkipEmptyParts)) {
        at += u'/' + name;
        paths << at;
    }

    auto chevron = [this] {
        auto* label = new QLabel(QStringLiteral("›"), this);
        label->setTextFormat(Qt::PlainText);
        label->setForegroundRole(QPalette::PlaceholderText);
        label->setContentsMargins(2, 0, 2, 0);
        return label;
    };
    for (qsizetype i = 0; i < paths.size(); ++i) {
        Component component;
        component.path = paths[i];
        component.name = paths[i] == QLatin1String("/") ? QStringLiteral("/") : paths[i].section(u'/', -1);
        component.button = new QToolButton(this);
        component.button->setAutoRaise(true);
        component.button->setToolButtonStyle(paths[i] == QLatin1String("/") ? Qt::ToolButtonIconOnly
                                                                            : Qt::ToolButtonTextBesideIcon);
        component.button->setIcon(
            componentIcon(paths[i], i == 0 && start != QLatin1String("/"), i + 1 == paths.size()));
        component.button->setIconSize(QSize(16, 16));
        component.button->setText(buttonText(component.name));
        const QString shownPath = QString::fromStdString(olva::abbreviate(paths[i].toStdString()));
        component.button->setToolTip(plainToolTip(shownPath));
        component.button->setAccessibleName(component.name);
        // Said as it reads: the tooltip's own text is markup.
        component.button->setAccessibleDescription(shownPath);
        connect(component.button, &QToolButton::clicked, this,
                [this, target = paths[i]] { revealPlace(workspace_, target); });
        if (i > 0) component.separator = chevron();
        if (i == 0) moreSeparator_ = chevron();
        components_.push_back(component);
    }
    for (Component& component : components_) {
        component.button->show();
        component.width = component.button->sizeHint().width();
        if (component.separator) {
            component.separator->show();
            component.width += component.separator->sizeHint().width();
        }
    }
    fold();
    updateGeometry();
}

int PathBar::fullWidth() const
{
    int width = 0;
    for (const Component& component : components_) width += component.width;
    return width;
}

void PathBar::fold()
{
    const int n = static_cast<int>(components_.size());
    for (Component& component : components_) {
        component.button->setVisible(true);
        if (component.separator) component.separator->setVisible(true);
        component.button->setText(buttonText(component.name));
    }
    folded_ = 0;
    moreMenu_->clear();
    int width = fullWidth();
    const int room = this->width();
    const int moreWidth = more_->sizeHint().width() + (moreSeparator_ ? moreSeparator_->sizeHint().width() : 0);
    // Fold the folders after the first one, nearest to the start first, so
    // that the file and the folders it lies in stay in view.
    while (width + (folded_ ? moreWidth : 0) > room && folded_ + 2 < n) {
        Component& component = components_[1 + folded_];
        width -= component.width;
        component.button->setVisible(false);
        component.separator->setVisible(false);
        QAction* item = moreMenu_->addAction(component.button->icon(), buttonText(component.name));
        connect(item, &QAction::triggered, this, [this, target = component.path] { revealPlace(workspace_, target); });
        ++folded_;
    }
    more_->setVisible(folded_ > 0);
    if (moreSeparator_) moreSeparator_->setVisible(folded_ > 0);
    // Still too wide: the last name gives way in its middle.
    if (n > 0 && width + (folded_ ? moreWidth : 0) > room) {
        Component& last = components_.back();
        const int over = width + (folded_ ? moreWidth : 0) - room;
        const QFontMetrics metrics = last.button->fontMetrics();
        const int textRoom =
            std::max(metrics.averageCharWidth() * 3, metrics.horizontalAdvance(singleLine(last.name)) - over);
        last.button->setText(buttonText(metrics.elidedText(singleLine(last.name), Qt::ElideMiddle, textRoom)));
    }
    place();
}

void PathBar::place()
{
    int x = 0;
    auto put = [&](QWidget* widget) {
        if (!widget || widget->isHidden()) return;
        const QSize size = widget->sizeHint();
        const int w = std::min(size.width(), std::max(0, width() - x));
        widget->setGeometry(x, (height() - size.height()) / 2, w, size.height());
        x += w;
    };
    for (qsizetype i = 0; i < components_.size(); ++i) {
        put(components_[i].separator);
        put(components_[i].button);
        if (i == 0) {
            put(moreSeparator_);
            put(more_);
        }
    }
}

QSize PathBar::sizeHint() const
{
    int height = more_->sizeHint().height();
    for (const Component& component : components_) height = std::max(height, component.button->sizeHint().height());
    return {fullWidth(), height};
}

QSize PathBar::minimumSizeHint() const
{
    const QSize full = sizeHint();
    return {std::min(full.width(), fontMetrics().averageCharWidth() * 12), full.height()};
}

void PathBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fold();
}

void PathBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        rebuild();
    }
}

}  // namespace olva::app
