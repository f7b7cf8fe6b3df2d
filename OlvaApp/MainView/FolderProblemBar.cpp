#include "OlvaApp/MainView/FolderProblemBar.h"

#include "OlvaApp/MainView/FolderStatusText.h"
#include "OlvaApp/PlaceChip/TextStyles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace olva::app {

FolderProblemBar::FolderProblemBar(QWidget* parent)
    : QWidget(parent), text_(new QLabel(this)), button_(new QPushButton(this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(10);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    row->addWidget(text_, 1);
    row->addWidget(button_);
    setAutoFillBackground(false);
    setAccessibleName(tr("Folder problem"));
    connect(button_, &QPushButton::clicked, this, [this] {
        if (fix_ == Fix::locate && locate_) locate_();
        if (fix_ == Fix::reveal && reveal_) reveal_();
    });
}

void FolderProblemBar::setProblem(const Folder& folder, FolderStatus status, bool sandboxed)
{
    const QString path = QString::fromStdString(folder.path);
    text_->setText(folderStatusHelp(path, status).value_or(QString()));
    switch (status) {
    case FolderStatus::watching:
        fix_ = Fix::none;
        break;
    case FolderStatus::missing:
        fix_ = Fix::locate;
        button_->setText(tr("Locate…"));
        break;
    case FolderStatus::noAccess:
        fix_ = sandboxed ? Fix::locate : Fix::reveal;
        button_->setText(sandboxed ? tr("Grant Access…") : tr("Show in File Manager"));
        break;
    }
    button_->setVisible(fix_ != Fix::none);
}

void FolderProblemBar::setMessage(const QString& message)
{
    text_->setText(message);
    fix_ = Fix::none;
    button_->setVisible(false);
}

void FolderProblemBar::setActions(std::function<void()> locate, std::function<void()> reveal)
{
    locate_ = std::move(locate);
    reveal_ = std::move(reveal);
}

QString FolderProblemBar::text() const { return text_->text(); }

QString FolderProblemBar::buttonText() const { return fix_ == Fix::none ? QString() : button_->text(); }

void FolderProblemBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A bar of the window's tone over the list, set off from it by a line.
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.fillRect(rect(), quaternaryTone(palette().color(QPalette::WindowText)));
    QColor line = palette().color(QPalette::WindowText);
    line.setAlphaF(0.18);
    painter.fillRect(QRect(0, height() - 1, width(), 1), line);
}

}  // namespace olva::app
