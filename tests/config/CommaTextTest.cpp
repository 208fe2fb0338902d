#include "config/BuddyList.h"
#include "config/CommaText.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase
{
    const char *text;
    QStringList items;
};

class CommaTextSplit : public ::testing::TestWithParam<SplitCase>
{
};

TEST_P(CommaTextSplit, Splits)
{
    EXPECT_EQ(CommaText::split(QString::fromUtf8(GetParam().text)), GetParam().items) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    CommaText, CommaTextSplit,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"a,b", {QStringLiteral("a"), QStringLiteral("b")}},
                      SplitCase{"  a , b", {QStringLiteral("a"), QStringLiteral("b")}},
                      SplitCase{"a,,b", {QStringLiteral("a"), QString(), QStringLiteral("b")}},
                      SplitCase{"a,", {QStringLiteral("a")}}, SplitCase{",", {QString()}},
                      SplitCase{"0,2,", {QStringLiteral("0"), QStringLiteral("2")}},
                      SplitCase{"a b", {QStringLiteral("a"), QStringLiteral("b")}},
                      SplitCase{"\"a b\",\"say \"\"hi\"\"\"", {QStringLiteral("a b"), QStringLiteral("say \"hi\"")}},
                      SplitCase{"\"a,b\"", {QStringLiteral("a,b")}}, SplitCase{"\"\"", {QString()}},
                      SplitCase{"\"unterminated", {QStringLiteral("unterminated")}},
                      SplitCase{"\"(any gametype)\",", {QStringLiteral("(any gametype)")}}));

TEST(CommaText, JoinQuotesWhatSplitWouldBreak)
{
    const QStringList buddies = {QStringLiteral("plain"), QStringLiteral("with space"), QStringLiteral("say \"hi\""),
                                 QStringLiteral("a,b"), QStringLiteral("J\u00f6rg")};
    const QString joined = CommaText::join(buddies);
    EXPECT_EQ(joined, QStringLiteral("plain,\"with space\",\"say \"\"hi\"\"\",\"a,b\",J\u00f6rg"));
    EXPECT_EQ(CommaText::split(joined), buddies);
    EXPECT_EQ(CommaText::join({QString()}), QStringLiteral("\"\""));
    EXPECT_EQ(CommaText::join({}), QString());
    EXPECT_EQ(CommaText::split(CommaText::join({QString(), QString()})), (QStringList{QString(), QString()}));
}

TEST(BuddyList, KeepsSortedUniqueNamesWithoutRegardToCase)
{
    BuddyList buddies({QStringLiteral("zed"), QStringLiteral("Amy")});
    EXPECT_TRUE(buddies.addBuddy(QStringLiteral("bob")));
    EXPECT_FALSE(buddies.addBuddy(QStringLiteral("BOB")));
    EXPECT_EQ(buddies.names(), (QStringList{QStringLiteral("Amy"), QStringLiteral("bob"), QStringLiteral("zed")}));
    EXPECT_TRUE(buddies.removeAt(0));
    EXPECT_FALSE(buddies.removeAt(5));
    EXPECT_EQ(buddies.storedValue(), QStringLiteral("bob,zed"));
    buddies.removeAt(0);
    buddies.removeAt(0);
    EXPECT_EQ(buddies.storedValue(), QString());
}

} // namespace
