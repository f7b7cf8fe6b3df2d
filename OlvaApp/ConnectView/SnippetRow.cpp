#include "OlvaApp/ConnectView/SnippetRow.h"

#include "OlvaApp/Model/Clipboard.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace olva::app {

SnippetRow::SnippetRow(QString text, Names names, Clipboard* clipboard, QWidget* parent)
    : QWidget(parent), snippet_(std::move(text)), names_(std::move(names)), clipboard_(clipboard),
      text_(new QLabel(snippet_, this)),
      copy_(new QPushButton(tr("Copy"), this))
{
    text_->setTextFormat(Qt::PlainText);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    // Wider, but still as high as its text needs at the width it gets.
    QSizePolicy policy = text_->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Expanding);
    text_->setSizePolicy(policy);
    text_->setAccessibleName(snippet_);
    copy_->setAccessibleName(names_.copy);
    copy_->setAccessibleDescription(tr("Copies the text beside it"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(text_, 1);
    row->addWidget(copy_, 0, Qt::AlignTop);
    connect(copy_, &QPushButton::clicked, this, &SnippetRow::copy);
}

void SnippetRow::copy()
{
    if (clipboard_) clipboard_->setText(snippet_);
    copied_ = true;
    copy_->setText(tr("Copied"));
    copy_->setAccessibleName(names_.copied);
}

}  // namespace olva::app
