#include "OlvaApp/Sentences/PathText.h"

namespace olva::app {

namespace {

// The path without the slashes that end it; "/" stays.
QStringView trimmed(const QString& path)
{
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(u'/')) view.chop(1);
    return view;
}

}  // namespace

QString lastComponent(const QString& path)
{
    QStringView view = trimmed(path);
    if (view == u"/") return QStringLiteral("/");
    qsizetype slash = view.lastIndexOf(u'/');
    return view.mid(slash + 1).toString();
}

QString parentPath(const QString& path)
{
    QStringView view = trimmed(path);
    if (view == u"/") return QStringLiteral("/");
    qsizetype slash = view.lastIndexOf(u'/');
    if (slash < 0) return QStringLiteral(".");
    QStringView parent = view.left(slash);
    while (parent.size() > 1 && parent.endsWith(u'/')) parent.chop(1);
    return parent.isEmpty() ? QStringLiteral("/") : parent.toString();
}

}  // namespace olva::app
