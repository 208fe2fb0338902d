// Tool tips of untrusted text read as the text, whatever markup it holds.
#include "support/ShownToolTip.h"
#include "widgets/PlainToolTip.h"

#include <gtest/gtest.h>

namespace {

class PlainToolTip : public ::testing::TestWithParam<const char *>
{
};

TEST_P(PlainToolTip, ShowsTheTextAsItIs)
{
    const QString text = QString::fromUtf8(GetParam());
    EXPECT_EQ(shownToolTip(plainToolTip(text)), text);
}

INSTANTIATE_TEST_SUITE_P(Texts, PlainToolTip,
                         ::testing::Values("on Frag Zone DM #1", "Mon 20:00: 12 of 16 players, CTF-Face",
                                           "on <b>Bold</b> & <img src=\"x.png\">", "<!DOCTYPE html><p>Server</p>",
                                           "a <table><tr><td>cell", "5 < 6 > 4 &amp; more",
                                           "last seen 21:40 on  two  spaces"));

TEST(PlainToolTipText, LeavesPlainTextAlone)
{
    EXPECT_EQ(plainToolTip(QStringLiteral("on Frag Zone")), QStringLiteral("on Frag Zone"));
}

} // namespace
