#include "OlvaApp/App/FileDialogPanels.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace olva::app {

std::optional<std::filesystem::path> FileDialogPanels::choose(const OpenPanelRequest& request)
{
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    QFileDialog dialog(parent, request.message);
    const bool folders = request.choose == OpenPanelRequest::Choose::folders;
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(folders ? QFileDialog::Directory : QFileDialog::ExistingFile);
    if (folders) dialog.setOption(QFileDialog::ShowDirsOnly);
    // Read-only is the dialog's way of offering no "New Folder".
    if (!request.canCreateFolders) dialog.setOption(QFileDialog::ReadOnly);
    // A panel with no place of its own opens in the home folder, never in
    // the directory the app was started from.
    std::error_code error;
    if (request.startFolder && std::filesystem::is_directory(*request.startFolder, error))
        dialog.setDirectory(QFile::decodeName(request.startFolder->c_str()));
    else
        dialog.setDirectory(QDir::homePath());
    if (!request.extensions.isEmpty()) {
        QStringList patterns;
        for (const QString& extension : request.extensions) patterns << QStringLiteral("*.") + extension;
        dialog.setNameFilter(QStringLiteral("%1 (%2)").arg(request.message, patterns.join(u' ')));
    }
    if (parent) parent->activateWindow();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
}

}  // namespace olva::app
