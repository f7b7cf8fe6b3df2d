// "Terminal and AI Apps": links the command-line tool into /usr/local/bin
// with the administrator's consent, and shows the snippets with which AI
// apps start its MCP server. A build without the tool says so instead.
#pragma once

#include "OlvaApp/ConnectView/ToolLink.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

namespace olva::app {

class Clipboard;
class ErrorLabel;
class PrivilegedRunner;
class SnippetRow;

class ConnectWindow : public QWidget {
    Q_OBJECT

public:
    // `link`: none when the build carries no tool.
    ConnectWindow(std::optional<ToolLink> link, PrivilegedRunner* runner, Clipboard* clipboard,
                  QWidget* parent = nullptr);

    // Reads the link again, as each showing of the window does.
    void checkInstalled();

    // The controls, for tests; each is null where the window does not have it.
    QPushButton* installButton() const { return install_; }
    QLabel* installedLabel() const { return installed_; }
    ErrorLabel* installError() const { return error_; }
    SnippetRow* commandLineSnippet() const { return commandLine_; }
    SnippetRow* configSnippet() const { return config_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildPlaceholder();
    void buildForm();
    void install();
    void fitHeight();

    std::optional<ToolLink> link_;
    PrivilegedRunner* runner_;
    Clipboard* clipboard_;
    QPushButton* install_ = nullptr;
    QLabel* installed_ = nullptr;
    ErrorLabel* error_ = nullptr;
    SnippetRow* commandLine_ = nullptr;
    SnippetRow* config_ = nullptr;
};

}  // namespace olva::app
