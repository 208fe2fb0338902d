#include "core/StrToIntOrZero.h"

#include <QString>

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *text;
    qint32 value;
};

class StrToIntOrZeroCase : public ::testing::TestWithParam<Case>
{
};

TEST_P(StrToIntOrZeroCase, Converts)
{
    EXPECT_EQ(strToIntOrZero(QByteArrayView(GetParam().text)), GetParam().value) << GetParam().text;
    EXPECT_EQ(strToIntOrZero(QString::fromLatin1(GetParam().text)), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Numbers, StrToIntOrZeroCase,
                         ::testing::Values(Case{"", 0}, Case{"42", 42}, Case{" 39", 39}, Case{"+7", 7},
                                           Case{"-12", -12}, Case{"$1F", 31}, Case{"0x32", 50}, Case{"0X32", 50},
                                           Case{"x10", 16}, Case{"X10", 16}, Case{"2147483647", 2147483647},
                                           Case{"-2147483648", -2147483647 - 1}, Case{"2147483648", 0},
                                           Case{"$7FFFFFFF", 2147483647}, Case{"$80000000", 0}, Case{"12 ", 0},
                                           Case{"1a", 0}, Case{"abc", 0}, Case{"-", 0}, Case{"$", 0}, Case{"0x", 0},
                                           Case{"4.000000", 0}, Case{"-$10", 0}, Case{"   ", 0},
                                           Case{"99999999999999999999", 0}));

} // namespace
