// Opening files with their default application, and showing them in the
// file manager: selected in its window where the file manager offers that
// over the session bus, else by opening the folder that holds them.
#pragma once

#include "OlvaApp/Model/Workspace.h"

#include <QDBusConnection>
#include <QObject>

namespace olva::app {

class FileManagerWorkspace final : public QObject, public Workspace {
    Q_OBJECT

public:
    explicit FileManagerWorkspace(QObject* parent = nullptr);
    ~FileManagerWorkspace() override;

    void open(const std::filesystem::path& file) override;
    void reveal(const std::filesystem::path& item) override;

private:
    QDBusConnection connection_;
};

}  // namespace olva::app
