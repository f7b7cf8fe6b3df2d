#include "OlvaApp/PrivacyView/PrivacyWindow.h"

#include "OlvaApp/Model/Model.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace olva::app {

namespace {

QLabel* markdownLabel(const QString& markdown, QWidget* parent)
{
    auto* label = new QLabel(parent);
    // The policy is the app's own text, so Markdown is safe here.
    label->setTextFormat(Qt::MarkdownText);
    label->setText(markdown);
    label->setWordWrap(true);
    label->setOpenExternalLinks(true);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    return label;
}

QWidget* blockWidget(const PolicyBlock& block, QWidget* parent)
{
    switch (block.kind) {
    case PolicyBlock::Kind::title: {
        QLabel* label = markdownLabel(block.markdown, parent);
        QFont font = label->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.6);
        label->setFont(font);
        label->setAccessibleName(label->text());
        return label;
    }
    case PolicyBlock::Kind::heading: {
        QLabel* label = markdownLabel(block.markdown, parent);
        QFont font = label->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.15);
        label->setFont(font);
        label->setContentsMargins(0, 8, 0, 0);
        return label;
    }
    case PolicyBlock::Kind::paragraph:
        return markdownLabel(block.markdown, parent);
    case PolicyBlock::Kind::missing: {
        auto* label = new QLabel(block.markdown, parent);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        return label;
    }
    case PolicyBlock::Kind::list: break;
    }
    auto* list = new QWidget(parent);
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(4);
    for (const QString& item : block.items) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        auto* bullet = new QLabel(QCoreApplication::translate("olva::app::PrivacyWindow", "•"), list);
        bullet->setAlignment(Qt::AlignTop);
        row->addWidget(bullet, 0, Qt::AlignTop);
        row->addWidget(markdownLabel(item, list), 1);
        rows->addLayout(row);
    }
    return list;
}

}  // namespace

PrivacyWindow::PrivacyWindow(Model& model, QWidget* parent) : PrivacyWindow(model, shippedPolicy(), parent) {}

PrivacyWindow::PrivacyWindow(Model& model, const std::vector<PolicyBlock>& blocks, QWidget* parent)
    : QScrollArea(parent), model_(model)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(tr("Olva Privacy Policy"));
    setObjectName(QStringLiteral("privacyWindow"));
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* content = new QWidget(this);
    content->setObjectName(QStringLiteral("privacyContent"));
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(10);
    for (const PolicyBlock& block : blocks) stack->addWidget(blockWidget(block, content));
    stack->addStretch();
    setWidget(content);
    setMinimumSize(480, 400);
}

QSize PrivacyWindow::sizeHint() const { return {560, 640}; }

void PrivacyWindow::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    model_.setWindowVisible(QStringLiteral("privacy"), true);
}

void PrivacyWindow::hideEvent(QHideEvent* event)
{
    QScrollArea::hideEvent(event);
    model_.setWindowVisible(QStringLiteral("privacy"), false);
}

}  // namespace olva::app
