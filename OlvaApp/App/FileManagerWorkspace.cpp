#include "OlvaApp/App/FileManagerWorkspace.h"

#include "OlvaApp/Model/AppBus.h"
#include "OlvaApp/Model/FileUri.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QUrl>

namespace olva::app {

namespace {

// Every byte of the name, percent-encoded: through a QString a name that is
// not UTF-8 would lose the bytes that make it.
QUrl localUrl(const std::filesystem::path& path) { return QUrl(fileUri(std::filesystem::absolute(path))); }

}  // namespace

FileManagerWorkspace::FileManagerWorkspace(QObject* parent)
    : QObject(parent), connection_(bus::connectToSessionBus(QStringLiteral("workspace")))
{
}

FileManagerWorkspace::~FileManagerWorkspace() { QDBusConnection::disconnectFromBus(connection_.name()); }

void FileManagerWorkspace::open(const std::filesystem::path& file) { QDesktopServices::openUrl(localUrl(file)); }

void FileManagerWorkspace::reveal(const std::filesystem::path& item)
{
    const std::filesystem::path absolute = std::filesystem::absolute(item);
    auto openFolder = [absolute] { QDesktopServices::openUrl(localUrl(absolute.parent_path())); };
    if (!connection_.isConnected()) {
        openFolder();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call.setArguments({QStringList{fileUri(absolute)}, qEnvironmentVariable("DESKTOP_STARTUP_ID")});
    // Not waited for: a file manager that starts slowly must not hold up the app.
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, openFolder] {
        if (watcher->isError()) openFolder();
        watcher->deleteLater();
    });
}

}  // namespace olva::app
