#include "OlvaApp/ConditionsEditor/FieldBox.h"
#include "OlvaApp/PlaceChip/AccessibleFactory.h"

#include <QAccessibleWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace olva::app;

namespace {

struct Probe : QAccessibleWidget {
    explicit Probe(FieldBox* box) : QAccessibleWidget(box, QAccessible::Client) {}
    ~Probe() override = default;
};

// Has no metaobject of its own, so Qt asks for it by FieldBox's name.
class DerivedBox : public FieldBox {};

}  // namespace

TEST(AccessibleFactory, AnswersOnlyForItsOwnClass)
{
    FieldBox box;
    QComboBox plain;
    QObject object;
    struct Case {
        const char* what;
        const char* className;
        QObject* object;
        bool made;
    };
    const Case cases[] = {
        {"its class", "olva::app::FieldBox", &box, true},
        {"the name of a class it derives from", "QComboBox", &box, false},
        {"its name, but another widget", "olva::app::FieldBox", &plain, false},
        {"its name, but not a widget", "olva::app::FieldBox", &object, false},
        {"no object", "olva::app::FieldBox", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Probe> made(
            static_cast<Probe*>(accessibleFactory<FieldBox, Probe>(QString::fromLatin1(c.className), c.object)));
        EXPECT_EQ(made != nullptr, c.made);
    }
}

// Qt walks a widget's classes up to one with a factory.
TEST(AccessibleFactory, TheInstalledFormReachesDerivedWidgets)
{
    DerivedBox box;
    box.setAccessibleName(QStringLiteral("Attribute"));
    box.addItem(QStringLiteral("Extension"));
    QAccessibleInterface* form = QAccessible::queryAccessibleInterface(&box);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->role(), QAccessible::ComboBox);
    EXPECT_EQ(form->text(QAccessible::Name), QStringLiteral("Attribute"));
    EXPECT_EQ(form->text(QAccessible::Value), QStringLiteral("Extension"));
}
