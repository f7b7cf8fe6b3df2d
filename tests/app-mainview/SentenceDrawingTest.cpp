#include "OlvaApp/PlaceChip/DryRunBadge.h"
#include "OlvaApp/PlaceChip/PathBar.h"
#include "OlvaApp/PlaceChip/PlaceCache.h"
#include "OlvaApp/PlaceChip/PlaceChip.h"
#include "OlvaApp/PlaceChip/PlaceMenu.h"
#include "OlvaApp/PlaceChip/SentenceLayout.h"
#include "OlvaApp/PlaceChip/SentenceView.h"
#include "OlvaApp/PlaceChip/TextStyles.h"
#include "tests/support/app/FakeServices.h"
#include "tests/support/app/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include "Core/base/Paths.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QToolButton>

#include <algorithm>

#include <gtest/gtest.h>

using namespace olva::app;
using olva::test::FakeWorkspace;

namespace {

const QString kHome = QString::fromStdString(olva::userHome());

// The menu a widget popped up, closed again after reading it.
QStringList poppedUpMenu(QWidget* widget, QPoint at, bool* enabled = nullptr, bool trigger = false)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return {};
    QStringList texts;
    for (QAction* action : menu->actions()) {
        texts << action->text();
        if (enabled) *enabled = action->isEnabled();
        if (trigger) action->trigger();
    }
    menu->close();
    return texts;
}

Sentence moveTo(const QString& place) { return {Segment::text(QStringLiteral("If name contains invoice, move to ")), Segment::place(place)}; }

}  // namespace

TEST(SentenceLayout, GivesWayWordsFirstThenChipsAndKeepsWordsBeforeAChip)
{
    QFont font = QApplication::font();
    const Sentence sentence = {Segment::text(QStringLiteral("If extension is pdf and name contains report, ")),
                               Segment::text(QStringLiteral("move to ")), Segment::place(QStringLiteral("~/Reports")),
                               Segment::text(QStringLiteral(" and rename to ")),
                               Segment::pattern(QStringLiteral("{name} {added:yyyy-MM-dd}"))};
    const SentenceLayout ideal(sentence, font);
    const auto& items = ideal.items();
    ASSERT_EQ(items.size(), 5);

    struct Case {
        const char* what;
        qreal width;
        bool wordsCut, chipCut, patternCut;
    };
    const qreal chip = items[2].rect.width(), before = items[1].rect.width();
    const Case cases[] = {
        {"ideal width", ideal.idealWidth(), false, false, false},
        {"wider than needed", ideal.idealWidth() + 100, false, false, false},
        {"a little short", ideal.idealWidth() - 30, true, false, false},
        {"room for little but the chip", before + chip + 40, true, false, true},
        {"narrower than the chip", before + chip / 2, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SentenceLayout layout(sentence, font, c.width);
        const auto& laid = layout.items();
        EXPECT_EQ(laid[0].shown != items[0].shown, c.wordsCut);
        EXPECT_EQ(laid[2].shown != items[2].shown, c.chipCut);
        EXPECT_EQ(laid[4].shown != items[4].shown, c.patternCut);
        EXPECT_EQ(laid[1].shown, items[1].shown) << "the words before a chip keep their width";
        EXPECT_DOUBLE_EQ(laid[1].rect.width(), before);
        if (c.width >= before + chip + 40) {
            EXPECT_LE(layout.width(), c.width + 0.5);
        }
        for (qsizetype i = 1; i < laid.size(); ++i) EXPECT_DOUBLE_EQ(laid[i].rect.left(), laid[i - 1].rect.right());
    }
}

TEST(SentenceLayout, KeepsTheOpeningWordOfADryRunWhenSqueezed)
{
    // A dry run's opening words lie before a pattern, which made them the
    // first to give way.
    const QFont font = QApplication::font();
    const Sentence sentence = {Segment::text(QStringLiteral("Would rename to ")),
                               Segment::pattern(QStringLiteral("{name} ({added:yyyy-MM-dd})")),
                               Segment::text(QStringLiteral(" and move to ")), Segment::place(QStringLiteral("~/Archive"))};
    const SentenceLayout ideal(sentence, font);
    for (qreal width : {ideal.idealWidth() - 20, ideal.idealWidth() / 2, ideal.idealWidth() / 4}) {
        SCOPED_TRACE(width);
        const SentenceLayout squeezed(sentence, font, width);
        EXPECT_TRUE(squeezed.items().front().shown.startsWith(QStringLiteral("Would")))
            << squeezed.items().front().shown.toStdString();
        const SentenceLayout cut = SentenceLayout::cutAtEnd(sentence, font, width);
        ASSERT_FALSE(cut.items().isEmpty());
        EXPECT_TRUE(cut.items().front().shown.startsWith(QStringLiteral("Would")));
    }
}

TEST(SentenceLayout, CutsAtTheEndWhereTheLineRunsOut)
{
    const QFont font = QApplication::font();
    const Sentence sentence = {Segment::text(QStringLiteral("Moved to ")), Segment::place(QStringLiteral("~/Invoices")),
                               Segment::text(QStringLiteral(", tagged Finance and copied to ")),
                               Segment::place(QStringLiteral("~/Archive"))};
    const SentenceLayout ideal(sentence, font);
    const auto& whole = ideal.items();
    const qreal upToFirstChip = whole[0].rect.width() + whole[1].rect.width();
    struct Case {
        const char* what;
        qreal width;
        int itemsKept;     // shown whole, from the start
        bool endsInDots;   // the line ends with "…"
    };
    const Case cases[] = {
        {"room for all", ideal.idealWidth(), 4, false},
        {"the last chip a little short", ideal.idealWidth() - 6, 3, false},
        {"room up to the first chip and some words", upToFirstChip + 60, 2, true},
        {"the first words only", whole[0].rect.width() + 12, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SentenceLayout cut = SentenceLayout::cutAtEnd(sentence, font, c.width);
        EXPECT_EQ(cut.isCut(), c.width < ideal.idealWidth());
        EXPECT_LE(cut.width(), c.width + 0.5) << "nothing runs past the line";
        const auto& items = cut.items();
        ASSERT_GE(items.size(), c.itemsKept);
        for (int i = 0; i < c.itemsKept; ++i) EXPECT_EQ(items[i].shown, whole[i].shown) << i;
        EXPECT_EQ(items.back().shown.endsWith(QStringLiteral("…")), c.endsInDots) << items.back().shown.toStdString();
    }
}

TEST(SentenceLayout, WrapsBetweenWordsAndKeepsChipsWhole)
{
    const QFont font = QApplication::font();
    const Sentence sentence = {Segment::text(QStringLiteral("Tagged Finance and Quarterly reports and removed tag ")),
                               Segment::text(QStringLiteral("Inbox, then moved to ")),
                               Segment::place(QStringLiteral("~/Documents/Invoices"))};
    const SentenceLayout line(sentence, font);
    struct Case {
        const char* what;
        qreal width;
        int lines;  // at least
    };
    const Case cases[] = {
        {"one line when it fits", line.idealWidth() + 1, 1},
        {"two lines at half", line.idealWidth() / 2 + 30, 2},
        {"many lines when narrow", 60, 5},
        {"narrower than a word: the word breaks", 8, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SentenceLayout wrapped = SentenceLayout::wrapped(sentence, font, c.width);
        EXPECT_GE(wrapped.height(), c.lines * line.height());
        if (c.lines == 1) {
            EXPECT_EQ(wrapped.height(), line.height());
        }
        QString words;
        for (const auto& item : wrapped.items()) {
            if (item.kind == Segment::Kind::text) words += item.shown;
            EXPECT_LE(item.rect.right(), std::max<qreal>(c.width, item.rect.width()) + 0.5);
        }
        // Every word is there; only the chip's name may be shortened.
        EXPECT_EQ(words, sentence[0].value + sentence[1].value);
        const auto chips = std::count_if(wrapped.items().begin(), wrapped.items().end(),
                                         [](const auto& item) { return item.kind == Segment::Kind::place; });
        EXPECT_EQ(chips, 1) << "a chip is never split over lines";
    }
}

TEST(SentenceLayout, FindsTheChipUnderAPointAndShowsTypedTextAsIs)
{
    const Sentence sentence = {Segment::text(QStringLiteral("<b>x</b>\nnext\tline\x01")),
                               Segment::place(QStringLiteral("~/In\nvoices")), Segment::pattern(QStringLiteral("{name}"))};
    const SentenceLayout layout(sentence, QApplication::font());
    const auto& items = layout.items();
    EXPECT_EQ(items[0].shown, QStringLiteral("<b>x</b> next line\u2401"));
    EXPECT_EQ(items[1].shown, QStringLiteral("In voices"));
    EXPECT_EQ(items[1].path, QStringLiteral("~/In\nvoices")) << "the place keeps its path as stored";

    struct Case {
        QPointF at;
        bool onChip;
    };
    const QRectF chip = items[1].rect;
    const Case cases[] = {{chip.center(), true},
                          {chip.topLeft() + QPointF(0.5, 0.5), true},
                          {items[0].rect.center(), false},
                          {items[2].rect.center(), false},
                          {QPointF(layout.width() + 10, 1), false}};
    for (const Case& c : cases) {
        const auto* found = layout.placeAt(c.at);
        EXPECT_EQ(found != nullptr, c.onChip) << c.at.x() << "," << c.at.y();
    }
}

TEST(PlaceCache, AsksTheDiskOncePerPathEveryThirtySeconds)
{
    olva::test::TempDir dir;
    auto now = std::chrono::steady_clock::time_point(std::chrono::hours(1));
    PlaceCache cache;
    cache.setClock([&] { return now; });
    const QString later = QString::fromStdString((dir / "Later").string());

    EXPECT_FALSE(cache.lookup(later).exists);
    EXPECT_FALSE(cache.lookup(later).exists);
    EXPECT_EQ(cache.reads(), 1) << "two drawings within 30 seconds share one check";

    std::filesystem::create_directory(dir / "Later");
    now += std::chrono::seconds(29);
    EXPECT_FALSE(cache.lookup(later).exists) << "still the old answer";
    now += std::chrono::seconds(1);
    EXPECT_TRUE(cache.lookup(later).exists) << "30 seconds on, it looks again";
    EXPECT_EQ(cache.reads(), 2);
    EXPECT_FALSE(cache.lookup(later).icon.isNull());
}

TEST(PlaceCache, KeysPlacesByTheirExpandedPath)
{
    struct Case {
        const char* stored;
        QString expanded;
    };
    const Case cases[] = {{"~", kHome},
                          {"~/Documents/", kHome + QStringLiteral("/Documents")},
                          {"/", QStringLiteral("/")},
                          {"/srv/data//", QStringLiteral("/srv/data")},
                          {"~other/x", QStringLiteral("~other/x")}};
    for (const Case& c : cases) EXPECT_EQ(expandedPlace(QString::fromUtf8(c.stored)), c.expanded) << c.stored;
}

TEST(SentenceView, ChipsTellTheirPathAndShowItInTheFileManager)
{
    olva::test::TempDir dir;
    const QString there = QString::fromStdString((dir / "<b>Invoices").string());
    std::filesystem::create_directory(dir / "<b>Invoices");
    const QString gone = QString::fromStdString((dir / "Gone").string());

    for (const QString& place : {there, gone}) {
        SCOPED_TRACE(place.toStdString());
        FakeWorkspace workspace;
        SentenceView view(moveTo(place), false, &workspace);
        view.resize(view.sizeHint());
        view.show();
        SentenceLayout layout(view.sentence(), view.font(), view.width());
        const QPoint onChip = layout.items()[1].rect.center().toPoint();
        EXPECT_EQ(view.placeAt(onChip), place);
        EXPECT_TRUE(view.placeAt(layout.items()[0].rect.center().toPoint()).isEmpty());

        bool enabled = false;
        EXPECT_EQ(poppedUpMenu(&view, onChip, &enabled, true), QStringList{QStringLiteral("Show in File Manager")});
        EXPECT_EQ(enabled, place == there) << "a place that is not there cannot be shown";
        if (place == there) {
            ASSERT_EQ(workspace.revealed.size(), 1u);
            EXPECT_EQ(QString::fromStdString(workspace.revealed[0].string()), there);
        }
        EXPECT_TRUE(poppedUpMenu(&view, layout.items()[0].rect.center().toPoint()).isEmpty())
            << "words have no menu";
    }
    EXPECT_EQ(placeToolTip(there), plainToolTip(there));
    EXPECT_TRUE(placeToolTip(there).contains(QStringLiteral("&lt;b&gt;Invoices")));
}

TEST(SentenceView, ReadsAsOneTextWithAnActionPerPlace)
{
    FakeWorkspace workspace;
    const Sentence sentence = {Segment::text(QStringLiteral("copy to ")), Segment::place(QStringLiteral("/srv/A")),
                               Segment::text(QStringLiteral(" and move to ")), Segment::place(QStringLiteral("~/B"))};
    SentenceView view(sentence, true, &workspace);
    view.show();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("copy to A folder and move to B folder"));
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->actionNames(),
              (QStringList{QStringLiteral("Show A in File Manager"), QStringLiteral("Show B in File Manager")}));
    actions->doAction(QStringLiteral("Show B in File Manager"));
    ASSERT_EQ(workspace.revealed.size(), 1u);
    EXPECT_EQ(QString::fromStdString(workspace.revealed[0].string()), kHome + QStringLiteral("/B"));
}

TEST(PlaceChip, SwitchesItsLookAtOnceWhenMotionIsReduced)
{
    QApplication::setEffectEnabled(Qt::UI_General, false);
    PlaceChip chip(QStringLiteral("~/Documents"), true, nullptr);
    chip.show();
    EXPECT_DOUBLE_EQ(chip.provisionalAmount(), 1.0);
    chip.setProvisional(false);
    EXPECT_DOUBLE_EQ(chip.provisionalAmount(), 0.0);
    EXPECT_EQ(chip.accessibleName(), QStringLiteral("Documents folder"));
    EXPECT_EQ(chip.toolTip(), QString()) << "the tooltip is built when asked";
}

TEST(PlaceChip, EasesBetweenLooksWhenMotionIsAllowed)
{
    QApplication::setEffectEnabled(Qt::UI_General, true);
    PlaceChip chip(QStringLiteral("/tmp"), false, nullptr);
    chip.show();
    chip.setProvisional(true);
    const bool animates = chip.provisionalAmount() < 1.0;
    EXPECT_TRUE(olva::test::processUntil([&] { return chip.provisionalAmount() == 1.0; }));
    QApplication::setEffectEnabled(Qt::UI_General, false);
    if (!animates) GTEST_SKIP() << "the style gives animations no time";
}

TEST(PathBar, OneButtonPerFolderThatRevealsIt)
{
    FakeWorkspace workspace;
    PathBar bar(&workspace);
    struct Case {
        QString path;
        QStringList components;
    };
    const Case cases[] = {
        {QStringLiteral("~/Documents/Invoices/a.pdf"),
         {kHome, kHome + "/Documents", kHome + "/Documents/Invoices", kHome + "/Documents/Invoices/a.pdf"}},
        {QStringLiteral("/srv/share/b.txt"), {"/", "/srv", "/srv/share", "/srv/share/b.txt"}},
        {QStringLiteral("/"), {"/"}},
        {QString(), {}},
    };
    for (const Case& c : cases) {
        bar.setPath(c.path);
        EXPECT_EQ(bar.componentPaths(), c.components) << c.path.toStdString();
    }

    bar.setPath(QStringLiteral("/srv/share/b.txt"));
    bar.resize(bar.sizeHint());
    bar.show();
    QList<QToolButton*> buttons;
    for (QToolButton* button : bar.findChildren<QToolButton*>())
        if (button->isVisible()) buttons << button;
    ASSERT_EQ(buttons.size(), 4);
    for (QToolButton* button : buttons) button->click();
    std::vector<std::filesystem::path> expected{"/", "/srv", "/srv/share", "/srv/share/b.txt"};
    std::vector<std::filesystem::path> revealed = workspace.revealed;
    std::sort(revealed.begin(), revealed.end());
    EXPECT_EQ(revealed, expected);
    EXPECT_TRUE(workspace.opened.empty()) << "the path bar never opens anything";
}

TEST(PathBar, FoldsTheMiddleFoldersWhenNarrow)
{
    PathBar bar(nullptr);
    bar.setPath(QStringLiteral("/srv/one/two/three/four/a&b.pdf"));
    bar.resize(bar.sizeHint());
    bar.show();
    EXPECT_EQ(bar.foldedCount(), 0);
    auto resize = [&](int width) {
        bar.resize(width, bar.height());
        QApplication::processEvents();
    };
    resize(bar.sizeHint().width() / 2);
    EXPECT_GT(bar.foldedCount(), 0);
    EXPECT_LT(bar.foldedCount(), 5) << "the file stays";
    resize(10);
    EXPECT_EQ(bar.foldedCount(), 5) << "all but the first and the last";
    resize(bar.sizeHint().width());
    EXPECT_EQ(bar.foldedCount(), 0);
    bool ampersandKept = false;
    for (QToolButton* button : bar.findChildren<QToolButton*>())
        ampersandKept = ampersandKept || button->text() == QStringLiteral("a&&b.pdf");
    EXPECT_TRUE(ampersandKept) << "a '&' in a name is shown, not taken for a shortcut";
}

TEST(PathBar, EndsInTheFilesOwnIconAndNamesItsButtonsInPlainWords)
{
    olva::test::TempDir temp;
    std::filesystem::create_directories(temp.path() / "Invoices");
    PathBar bar(nullptr);
    struct Case {
        const char* what;
        std::filesystem::path path;
        bool fileIcon;
    };
    const Case cases[] = {
        {"a file that is gone", temp.path() / "Invoices" / "gone.pdf", true},
        {"a file in a folder that is gone", temp.path() / "Gone" / "report.pdf", true},
        {"a folder that is there", temp.path() / "Invoices", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bar.setPath(QString::fromStdString(c.path.string()));
        QList<QToolButton*> buttons;
        for (QToolButton* button : bar.findChildren<QToolButton*>())
            if (!button->text().isEmpty() && button->text() != QStringLiteral("…")) buttons << button;
        ASSERT_FALSE(buttons.isEmpty());
        QToolButton* last = nullptr;
        for (QToolButton* button : buttons)
            if (button->accessibleName() == QString::fromStdString(c.path.filename().string())) last = button;
        ASSERT_TRUE(last);
        const QString icon = last->icon().name();
        const bool folderIcon = icon.contains(QStringLiteral("folder")) || icon.contains(QStringLiteral("directory"));
        EXPECT_EQ(!folderIcon, c.fileIcon) << "a file's own icon, not a folder's: " << icon.toStdString();
        for (QToolButton* button : buttons) {
            EXPECT_FALSE(button->accessibleDescription().contains(u'<')) << button->accessibleDescription().toStdString();
            EXPECT_FALSE(button->accessibleDescription().isEmpty());
        }
    }
}

TEST(SentenceView, WrapsToTheHeightItsWidthNeeds)
{
    SentenceView view(moveTo(QStringLiteral("~/Documents/Invoices")), false, nullptr);
    const int oneLine = view.sizeHint().height();
    EXPECT_FALSE(view.hasHeightForWidth());
    view.setWrapping(true);
    EXPECT_TRUE(view.hasHeightForWidth());
    EXPECT_EQ(view.heightForWidth(view.sizeHint().width() + 10), oneLine);
    EXPECT_GE(view.heightForWidth(view.sizeHint().width() / 3), 3 * oneLine);
}

TEST(DryRunBadge, SaysDryRun)
{
    DryRunBadge badge;
    EXPECT_EQ(badge.accessibleName(), QStringLiteral("Dry Run"));
    EXPECT_GT(badge.sizeHint().width(), badge.sizeHint().height());
}
