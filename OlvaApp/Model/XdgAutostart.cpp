#include "OlvaApp/Model/XdgAutostart.h"

#include "Core/platform/AtomicFile.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QStringList>

#include <system_error>

namespace olva::app {

namespace {

// Quoting of the Exec key: an argument with reserved characters goes in
// double quotes, in which ", `, $ and \ take a backslash; the key's value is
// then a string, in which every backslash is doubled again.
QString execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool plain = !argument.isEmpty();
    for (QChar c : argument)
        if (reserved.contains(c)) plain = false;
    QString quoted = argument;
    if (!plain) {
        quoted.clear();
        for (QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
            quoted += c;
        }
        quoted = u'"' + quoted + u'"';
    }
    // A lone % would start a field code.
    return quoted.replace(u'%', QStringLiteral("%%")).replace(u'\\', QStringLiteral("\\\\"));
}

// The first argument of an Exec value, undoing execArgument.
QString firstExecArgument(const QString& value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            unescaped += next == u's' ? QChar(u' ') : next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t')
                       : next == u'r' ? QChar(u'\r') : next;
            continue;
        }
        unescaped += value[i];
    }
    QString argument;
    bool inQuotes = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        QChar c = unescaped[i];
        if (inQuotes) {
            if (c == u'\\' && i + 1 < unescaped.size()) argument += unescaped[++i];
            else if (c == u'"') inQuotes = false;
            else if (c == u'%' && i + 1 < unescaped.size() && unescaped[i + 1] == u'%') argument += unescaped[++i];
            else argument += c;
        } else if (c == u'"') {
            inQuotes = true;
        } else if (c == u'%' && i + 1 < unescaped.size() && unescaped[i + 1] == u'%') {
            argument += unescaped[++i];
        } else if (c == u' ' || c == u'\t') {
            if (!argument.isEmpty()) break;
        } else {
            argument += c;
        }
    }
    return argument;
}

}  // namespace

XdgAutostart::XdgAutostart(QString program) : program_(std::move(program)) {}

std::filesystem::path XdgAutostart::entryPath()
{
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::filesystem::path(config.toStdString()) / "autostart" / "tools.olva.app.desktop";
}

QString XdgAutostart::entryText(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Olva\n"
                          "Comment=Organizes the folders you watch\n"
                          "Exec=%1 --at-login\n"
                          "Icon=tools.olva.app\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(program));
}

bool XdgAutostart::entryStarts(const QString& text, const QString& program)
{
    bool inEntry = false;
    bool starts = false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inEntry) continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("Hidden") && value == QStringLiteral("true")) return false;
        if (key == QStringLiteral("X-GNOME-Autostart-enabled") && value == QStringLiteral("false")) return false;
        if (key == QStringLiteral("Exec")) starts = firstExecArgument(value) == program;
    }
    return starts;
}

bool XdgAutostart::isEnabled() const
{
    auto bytes = platform::readFileIfPossible(entryPath());
    return bytes && entryStarts(QString::fromStdString(*bytes), program_);
}

std::optional<QString> XdgAutostart::setEnabled(bool enabled)
{
    const std::filesystem::path path = entryPath();
    std::error_code error;
    if (enabled) {
        std::filesystem::create_directories(path.parent_path(), error);
        if (error)
            return QCoreApplication::translate("XdgAutostart", "Olva couldn’t create the folder %1: %2")
                .arg(QString::fromStdString(path.parent_path().string()), QString::fromStdString(error.message()));
        try {
            platform::writeFileAtomically(path, entryText(program_).toStdString());
        } catch (const std::exception& failure) {
            return QString::fromStdString(failure.what());
        }
        return std::nullopt;
    }
    if (!std::filesystem::remove(path, error) && error)
        return QCoreApplication::translate("XdgAutostart", "Olva couldn’t remove %1: %2")
            .arg(QString::fromStdString(path.string()), QString::fromStdString(error.message()));
    return std::nullopt;
}

}  // namespace olva::app
