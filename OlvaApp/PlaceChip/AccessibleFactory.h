// Qt makes an object's accessible form by asking every installed factory,
// with the name of the object's class and then of each class it derives
// from. A widget of ours that screen readers must read its own way installs
// one factory for its class, from its constructor, before anything could
// make Qt's generic form of it.
#pragma once

#include <QAccessible>
#include <QObject>

namespace olva::app {

// `Accessible` for a `Widget` (or a class derived from it), nothing for any
// other object. The class name comes from `Widget` itself, so a renamed
// widget keeps its form.
template <class Widget, class Accessible>
QAccessibleInterface* accessibleFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String(Widget::staticMetaObject.className())) return nullptr;
    auto* widget = qobject_cast<Widget*>(object);
    return widget ? new Accessible(widget) : nullptr;
}

// Makes `Accessible` the accessible form of every `Widget`; idempotent.
template <class Widget, class Accessible>
void installAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(&accessibleFactory<Widget, Accessible>);
        return true;
    }();
    (void)installed;
}

}  // namespace olva::app
