#include "OlvaApp/MainView/ImportSheet.h"

#include "OlvaApp/MainView/FolderStatusText.h"
#include "OlvaApp/Model/Model.h"
#include "OlvaApp/PlaceChip/ReturnKey.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "OlvaApp/RuleSheet/FocusOrder.h"
#include "OlvaApp/Sentences/Inflection.h"
#include "OlvaApp/Sentences/SentenceTemplate.h"
#include "OlvaApp/PlaceChip/Metrics.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace olva::app {

namespace {

// The sheet's width and margins, and the height up to which the notes'
// area grows with them before it scrolls.
constexpr int kWidth = 520;
constexpr int kNotesMaxHeight = 360;

class NotesArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

    QSize sizeHint() const override
    {
        int content = 0;
        if (QWidget* notes = widget()) {
            // Wrapped notes are as tall as the sheet's width makes them.
            content = notes->heightForWidth(kWidth - 2 * sizes::sheetMargin - 2 * frameWidth());
            if (content < 0) content = notes->sizeHint().height();
        }
        return {kWidth - 2 * sizes::sheetMargin, std::min(kNotesMaxHeight, content + 2 * frameWidth())};
    }
};

}  // namespace

ImportSheet::ImportSheet(Model& model, PendingImport pending, QWidget* parent)
    : QDialog(parent), model_(model), pending_(std::move(pending)), import_(new QPushButton(this)),
      cancel_(new QPushButton(tr("Cancel"), this)), notesArea_(new NotesArea(this))
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Import Hazel Rules"));
    setFixedWidth(kWidth);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(sizes::sheetMargin, sizes::sheetMargin, sizes::sheetMargin, sizes::sheetMargin);
    column->setSpacing(12);

    title_ = filled(tr("Import Hazel Rules into “\uE000”"), {singleLine(folderName(pending_.folder))});
    auto* title = new QLabel(title_, this);
    title->setTextFormat(Qt::PlainText);
    title->setWordWrap(true);
    title->setFont(headlineFont(font()));
    column->addWidget(title);

    auto* notes = new QWidget(notesArea_);
    auto* noteColumn = new QVBoxLayout(notes);
    noteColumn->setContentsMargins(0, 0, 0, 0);
    noteColumn->setSpacing(6);
    for (const QString& text : pending_.notes) {
        auto* note = new QLabel(text, notes);
        note->setTextFormat(Qt::PlainText);
        note->setWordWrap(true);
        note->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        noteColumn->addWidget(note);
    }
    noteColumn->addStretch(1);
    notesArea_->setWidget(notes);
    notesArea_->setWidgetResizable(true);
    notesArea_->setFrameShape(QFrame::NoFrame);
    notesArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    notesArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    notesArea_->setMaximumHeight(kNotesMaxHeight);
    notesArea_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    notesArea_->setAccessibleName(tr("Notes"));
    column->addWidget(notesArea_);

    const auto count = static_cast<qint64>(pending_.folder.rules.size());
    import_->setText(inflected(tr("Import {count, plural, one {# Rule} other {# Rules}}"), count));
    import_->setEnabled(count > 0);
    // The default even while off, so that Return does nothing then rather
    // than press Cancel, unless Cancel has the focus.
    import_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(import_);
    column->addLayout(buttons);

    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(import_, &QPushButton::clicked, this, &QDialog::accept);
    // The buttons were made first; Tab goes as the sheet reads, from the
    // notes to the buttons, and the sheet opens on the notes.
    orderFocusAsRead(this);
    resize(kWidth, sizeHint().height());
}

QString ImportSheet::title() const { return title_; }

QStringList ImportSheet::notes() const { return pending_.notes; }

void ImportSheet::dismissQuietly()
{
    quiet_ = true;
    reject();
}

void ImportSheet::keyPressEvent(QKeyEvent* event)
{
    if (pressFocusedButton(*this, *event)) return;
    QDialog::keyPressEvent(event);
}

void ImportSheet::done(int result)
{
    QDialog::done(result);
    if (quiet_) return;
    // The model's own pending import, not this sheet's copy, is committed.
    if (result == QDialog::Accepted && import_->isEnabled()) model_.finishImport();
    else model_.setPendingImport(std::nullopt);
}

}  // namespace olva::app
