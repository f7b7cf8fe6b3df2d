#include "Core/hazel/KeyedArchive.h"
#include "Core/hazel/Predicate.h"

#include <gtest/gtest.h>

using namespace olva;

namespace {

Condition cond(Attr attr, Op op, std::string value) { return Condition{attr, op, std::move(value)}; }

std::string roundTrip(const Group& group)
{
    auto back = groupFromPredicate(groupPredicate(group));
    return back ? toJson(*back).dump() : "(nothing)";
}

Predicate customComparison(const std::string& keyPath, const std::string& selector, ArchivedRef constant)
{
    return Predicate::comparison(Expression::forKeyPath(keyPath), Predicate::Operator::customSelector,
                                 Expression::forConstant(std::move(constant)), selector);
}

}  // namespace

TEST(PredicateBridge, EveryGroupReadsBackUnchanged)
{
    Group anyGroup{Group::Mode::any, {cond(Attr::tags, Op::contains, "red"), cond(Attr::size, Op::gt, "1 MB")}};
    Group noneOfAny{Group::Mode::none, {anyGroup}};
    Group tree{Group::Mode::all,
               {cond(Attr::name, Op::isNot, ""), noneOfAny, Group{Group::Mode::none, {}},
                Group{Group::Mode::all, {}}, cond(Attr::added, Op::notInCurrent, "week")}};
    EXPECT_EQ(roundTrip(tree), toJson(tree).dump());
    EXPECT_EQ(roundTrip(noneOfAny), toJson(noneOfAny).dump());

    Predicate p = conditionPredicate(cond(Attr::contents, Op::matches, "a\"b"));
    EXPECT_EQ(p.selector, "matches:");
    EXPECT_EQ(p.left.keyPath, "contents");
    EXPECT_EQ(predicateFormat(p), "contents matches: \"a\\\"b\"");
    EXPECT_EQ(predicateFormat(groupPredicate(noneOfAny)),
              "NOT ((tags contains: \"red\" OR size gt: \"1 MB\"))");
}

TEST(PredicateBridge, ReadingRefusesWhatTheModelCannotHold)
{
    auto text = makeArchived(std::string("x"));
    EXPECT_TRUE(conditionFromPredicate(customComparison("name", "is:", text)));
    // Only the last character of the selector is dropped, whatever it is.
    EXPECT_TRUE(conditionFromPredicate(customComparison("name", "isX", text)));
    EXPECT_FALSE(conditionFromPredicate(customComparison("name", "is", text)));
    EXPECT_FALSE(conditionFromPredicate(customComparison("name", "", text)));
    EXPECT_FALSE(conditionFromPredicate(customComparison("Name", "is:", text)));
    EXPECT_FALSE(conditionFromPredicate(customComparison("name", "is:", makeArchived(std::int64_t{3}))));
    EXPECT_FALSE(conditionFromPredicate(customComparison("name", "is:", nullptr)));
    EXPECT_FALSE(conditionFromPredicate(Predicate::comparison(
        Expression::forKeyPath("name"), Predicate::Operator::equalTo, Expression::forText("x"))));

    Predicate a = conditionPredicate(cond(Attr::name, Op::is, "a"));
    Predicate b = conditionPredicate(cond(Attr::ext, Op::is, "b"));
    auto notTwo = groupFromPredicate(Predicate::compound(Predicate::CompoundType::notType, {a, b}));
    ASSERT_TRUE(notTwo);
    EXPECT_EQ(notTwo->mode, Group::Mode::none);
    EXPECT_EQ(notTwo->items.size(), 2u);
    auto notAnd = groupFromPredicate(
        Predicate::compound(Predicate::CompoundType::notType, {Predicate::compound(Predicate::CompoundType::andType, {a})}));
    ASSERT_TRUE(notAnd);
    EXPECT_EQ(toJson(*notAnd).dump(), toJson(Group{Group::Mode::none, {Group{Group::Mode::all, {cond(Attr::name, Op::is, "a")}}}}).dump());

    Predicate unreadable = customComparison("size", "bigger:", text);
    EXPECT_FALSE(groupFromPredicate(Predicate::compound(Predicate::CompoundType::andType, {a, unreadable})));
    EXPECT_FALSE(groupFromPredicate(a));
    Predicate holdsText = Predicate::compound(Predicate::CompoundType::andType, {a});
    holdsText.subpredicates.push_back(text);
    EXPECT_FALSE(groupFromPredicate(holdsText));
    auto empty = groupFromPredicate(Predicate::compound(Predicate::CompoundType::andType, {}));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->items.empty());
}
