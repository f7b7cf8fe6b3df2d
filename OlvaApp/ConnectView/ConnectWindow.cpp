#include "OlvaApp/ConnectView/ConnectWindow.h"

#include "OlvaApp/PlaceChip/SymbolIcon.h"
#include "OlvaApp/App/TextStyles.h"
#include "OlvaApp/ConnectView/SnippetRow.h"

#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace olva::app {

namespace {

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QLabel* footer(const QString& text, QWidget* parent)
{
    QLabel* label = plainLabel(text, parent);
    makeSecondary(*label);
    return label;
}

}  // namespace

ConnectWindow::ConnectWindow(std::optional<ToolLink> link, PrivilegedRunner* runner, Clipboard* clipboard,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), link_(std::move(link)), runner_(runner), clipboard_(clipboard)
{
    setWindowTitle(tr("Terminal and AI Apps"));
    setObjectName(QStringLiteral("connectWindow"));
    if (link_) buildForm();
    else buildPlaceholder();
}

void ConnectWindow::buildPlaceholder()
{
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    auto* icon = new QLabel(this);
    icon->setPixmap(symbolIcon("terminal").pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    QLabel* title = plainLabel(tr("No Command Line Tool in This Build"), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    QLabel* description =
        footer(tr("Download Olva from its website to use it from Terminal and AI apps."), this);
    description->setAlignment(Qt::AlignCenter);
    layout->addWidget(description);
    layout->addStretch();
    setFixedSize(520, 240);
}

void ConnectWindow::buildForm()
{
    auto* layout = new QVBoxLayout(this);

    auto* toolBox = new QGroupBox(tr("Command Line Tool"), this);
    auto* toolLayout = new QVBoxLayout(toolBox);
    auto* row = new QHBoxLayout;
    auto* name = new QLabel(QStringLiteral("olva"), toolBox);
    name->setTextFormat(Qt::PlainText);
    row->addWidget(name);
    row->addStretch();
    installed_ = plainLabel(QString(), toolBox);
    makeSecondary(*installed_);
    row->addWidget(installed_);
    install_ = new QPushButton(tr("Install…"), toolBox);
    install_->setAccessibleName(tr("Install olva in /usr/local/bin"));
    row->addWidget(install_);
    toolLayout->addLayout(row);
    error_ = new ErrorLabel(toolBox);
    error_->hide();
    toolLayout->addWidget(error_);
    toolLayout->addWidget(footer(
        tr("Explain files, read the activity log and undo actions from Terminal. Type olva to see every command."),
        toolBox));
    layout->addWidget(toolBox);

    auto* codeBox = new QGroupBox(tr("Claude Code"), this);
    auto* codeLayout = new QVBoxLayout(codeBox);
    commandLine_ = new SnippetRow(mcpCommandLine(link_->tool()),
                                  {tr("Copy the Claude Code command"), tr("Copied the Claude Code command")},
                                  clipboard_, codeBox);
    codeLayout->addWidget(commandLine_);
    layout->addWidget(codeBox);

    auto* appsBox = new QGroupBox(tr("Claude Desktop, Cursor and Other Apps"), this);
    auto* appsLayout = new QVBoxLayout(appsBox);
    config_ = new SnippetRow(mcpConfigJSON(link_->tool()),
                             {tr("Copy the MCP configuration"), tr("Copied the MCP configuration")}, clipboard_,
                             appsBox);
    appsLayout->addWidget(config_);
    appsLayout->addWidget(footer(tr("Add this to the app’s MCP configuration. AI apps can read your rules and "
                                    "activity, and every rule they create starts as a dry run."),
                                 appsBox));
    layout->addWidget(appsBox);

    connect(install_, &QPushButton::clicked, this, &ConnectWindow::install);
    checkInstalled();
    setFixedWidth(520);
    fitHeight();
}

void ConnectWindow::fitHeight()
{
    // As wide as set, as high as the content at that width.
    setFixedHeight(layout()->hasHeightForWidth() ? layout()->heightForWidth(width()) : sizeHint().height());
}

void ConnectWindow::checkInstalled()
{
    if (!link_) return;
    const std::optional<std::filesystem::path> folder = link_->installedFolder();
    installed_->setVisible(folder.has_value());
    install_->setVisible(!folder);
    if (folder) installed_->setText(tr("Installed in %1").arg(QFile::decodeName(folder->c_str())));
}

void ConnectWindow::install()
{
    if (!link_ || !runner_) return;
    const ToolLink::Outcome outcome = link_->install(*runner_);
    switch (outcome.result) {
    case ToolLink::Outcome::Result::cancelled:
        return;
    case ToolLink::Outcome::Result::failed:
        error_->setText(outcome.message);
        error_->show();
        break;
    case ToolLink::Outcome::Result::installed:
        error_->clear();
        error_->hide();
        break;
    }
    checkInstalled();
    fitHeight();
}

void ConnectWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    checkInstalled();
}

}  // namespace olva::app
