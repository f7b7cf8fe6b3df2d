// The open panels the model asks the user with: a folder to watch, a file to
// explain, a Hazel export. Each runs modally and blocks until it closes.
#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

namespace olva::app {

struct OpenPanelRequest {
    enum class Choose { folders, files };

    Choose choose = Choose::folders;
    bool canCreateFolders = false;
    QString message;
    // Where the panel opens; used only when it exists. None: where the
    // desktop puts it.
    std::optional<std::filesystem::path> startFolder;
    // File name extensions, without the dot, the panel offers; empty: any file.
    QStringList extensions;

    friend bool operator==(const OpenPanelRequest&, const OpenPanelRequest&) = default;
};

class OpenPanels {
public:
    virtual ~OpenPanels() = default;

    // Brings the app forward and runs the panel; the chosen item, or none
    // when the user cancelled.
    virtual std::optional<std::filesystem::path> choose(const OpenPanelRequest& request) = 0;
};

}  // namespace olva::app
