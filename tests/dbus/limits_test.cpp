// The bounds of what a value may hold, and the worst case of the replies
// they allow. No bus is needed here.
#include <gtest/gtest.h>

#include "InterfaceDescription.h"
#include "PropertyLimits.h"
#include "TaggedCollection.h"

using dbusif::InterfaceDescription;
using engine::TaggedArray;
using engine::TaggedCollection;
using engine::TaggedValue;
using namespace Qt::Literals::StringLiterals;
namespace limits = dbusif::limits;

namespace {

TaggedCollection names(qsizetype count, qsizetype length) {
    TaggedCollection c;
    for (qsizetype i = 0; i < count; ++i)
        c.add(TaggedValue::fromString(QString(length, u'n')));
    return c;
}

// A collection whose only item is an array nested `depth` levels deep.
TaggedCollection nested(int depth) {
    TaggedValue v = TaggedValue::fromDouble(1.0);
    for (int level = 1; level < depth; ++level)
        v = TaggedValue::fromArray({v});
    TaggedCollection c;
    c.add(v);
    return c;
}

} // namespace

// The largest reply (GetAll with every property at its bound) and every
// other reply stay under the budget, and the budget under the bus's limit.
TEST(ReplyLimits, TheLargestRepliesStayUnderTheBudgetAtWorst) {
    const InterfaceDescription& iface = InterfaceDescription::watcherManager();
    const qint64 getAll = limits::worstCaseGetAllSize(iface);
    ASSERT_GT(getAll, 0) << "a property type has no bound";
    EXPECT_LE(getAll, limits::kReplyBudget);
    EXPECT_LT(limits::kReplyBudget, limits::kBusMessageLimit);
    // The bound is not vacuous: the collections alone take most of it.
    EXPECT_GT(getAll, 10 * limits::worstCaseValueSize(u"Input_GroupNames"_s, u"av"_s));

    for (const InterfaceDescription::Method& m : iface.methods()) {
        const qint64 reply = limits::worstCaseMethodReplySize(m);
        EXPECT_GT(reply, 0) << qPrintable(m.name);
        EXPECT_LE(reply, limits::kReplyBudget) << qPrintable(m.name);
    }
    EXPECT_LE(limits::worstCaseErrorReplySize(), limits::kReplyBudget);
    EXPECT_EQ(limits::worstCaseValueSize(u"x"_s, u"a{sv}"_s), -1);
}

TEST(ReplyLimits, ValuesAtTheirBoundPassAndOnePastIsRefusedNamingTheBound) {
    EXPECT_TRUE(limits::isPathProperty(u"Input_MainHelpFilePath"_s));
    EXPECT_FALSE(limits::isPathProperty(u"Input_EFConstraintFormula"_s));

    EXPECT_FALSE(limits::checkString(u"Input_LogPath"_s, QString(4096, u'p')));
    const auto path = limits::checkString(u"Input_LogPath"_s, QString(4097, u'p'));
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, u"The property Input_LogPath takes at most 4096 characters (4097 given); nothing was changed."_s);
    EXPECT_FALSE(limits::checkString(u"Input_EFConstraintFormula"_s, QString(32767, u't')));
    EXPECT_TRUE(limits::checkString(u"Input_EFConstraintFormula"_s, QString(32768, u't')));
    EXPECT_FALSE(limits::checkStringArgument(u"DisplayYesNoQueryWithHelp"_s, 1, QString(32767, u'q')));
    EXPECT_TRUE(limits::checkStringArgument(u"DisplayYesNoQueryWithHelp"_s, 2, QString(32768, u'q')));

    EXPECT_FALSE(limits::checkObjectRef(u"Input_Application"_s, {QString(255, u'n'), u'/' + QString(4095, u'a')}));
    EXPECT_TRUE(limits::checkObjectRef(u"Input_Application"_s, {QString(256, u'n'), u"/a"_s}));
    EXPECT_TRUE(limits::checkObjectRef(u"Input_Application"_s, {u":1.5"_s, u'/' + QString(4096, u'a')}));

    // A collection of 5,000 names (an add-in with that many adjustable cells)
    // is well inside.
    EXPECT_FALSE(limits::checkCollection(u"Input_AllGeneNamesCol"_s, names(5000, 12)));
    EXPECT_FALSE(limits::checkCollection(u"Input_AllGeneNamesCol"_s, names(40000, 10)));
    const auto items = limits::checkCollection(u"Input_AllGeneNamesCol"_s, names(40001, 1));
    ASSERT_TRUE(items);
    EXPECT_TRUE(items->contains(u"at most 40000 items, nested ones included (40001 given)"_s)) << qPrintable(*items);
    const auto text = limits::checkCollection(u"Input_GroupNames"_s, names(4, 100001));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(u"at most 400000 characters of text in all its items (400004 given)"_s))
        << qPrintable(*text);
    // Items of nested arrays count.
    TaggedCollection wide;
    TaggedArray row(20001, TaggedValue::fromDouble(0.5));
    wide.add(TaggedValue::fromArray(row));
    wide.add(TaggedValue::fromArray(row));
    EXPECT_TRUE(limits::checkCollection(u"Input_GroupNames"_s, wide));
    EXPECT_FALSE(limits::checkCollection(u"Input_GroupNames"_s, nested(8)));
    const auto deep = limits::checkCollection(u"Input_GroupNames"_s, nested(9));
    ASSERT_TRUE(deep);
    EXPECT_TRUE(deep->contains(u"nested at most 8 levels deep"_s)) << qPrintable(*deep);
}

TEST(ReplyLimits, ErrorTextsAreCutWithoutSplittingACharacter) {
    EXPECT_EQ(limits::boundedErrorText(u"short"_s), u"short"_s);
    const QString cut = limits::boundedErrorText(QString(100000, u'e'));
    EXPECT_EQ(cut.size(), limits::kMaxErrorTextLength);
    EXPECT_TRUE(cut.endsWith(u" …"_s));
    // A surrogate pair that straddles the cut is dropped whole.
    QString pairs;
    while (pairs.size() < limits::kMaxErrorTextLength + 10)
        pairs += u"😀"_s;
    const QString cutPairs = limits::boundedErrorText(pairs);
    EXPECT_LE(cutPairs.size(), limits::kMaxErrorTextLength);
    EXPECT_FALSE(cutPairs.chopped(2).back().isHighSurrogate());
}
