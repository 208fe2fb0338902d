#include "core/BuddyCheck.h"
#include "core/SpeechComponent.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace {

const QString kFormat = QStringLiteral("%playername joined the server");

TEST(BuddyCheck, AnnouncesBuddiesAsTheListWritesThemOnceEach)
{
    const QStringList buddies{QStringLiteral("alice"), QStringLiteral("Bob")};
    const QStringList players{QStringLiteral("Alice"), QStringLiteral("Carol"), QStringLiteral("BOB")};
    BuddyCheck::Result first = BuddyCheck::check(players, buddies, {false, false}, kFormat, {});
    EXPECT_EQ(first.marks, (QList<bool>{true, true}));
    EXPECT_EQ(first.joined, buddies);
    EXPECT_EQ(first.sentence, QStringLiteral("alice and Bob joined the server"));

    // The same players again: nobody new.
    EXPECT_TRUE(BuddyCheck::check(players, buddies, first.marks, kFormat, {}).joined.isEmpty());

    // Bob leaves, then comes back.
    const auto left = BuddyCheck::check({QStringLiteral("Alice")}, buddies, first.marks, kFormat, {});
    EXPECT_EQ(left.marks, (QList<bool>{true, false}));
    EXPECT_TRUE(left.joined.isEmpty());
    const auto back = BuddyCheck::check(players, buddies, left.marks, kFormat, {});
    EXPECT_EQ(back.joined, QStringList{QStringLiteral("Bob")});
    EXPECT_EQ(back.sentence, QStringLiteral("Bob joined the server"));

    // A mark set by hand on an absent buddy is undone.
    EXPECT_EQ(BuddyCheck::check({}, buddies, {true, true}, kFormat, {}).marks, (QList<bool>{false, false}));
}

TEST(BuddyCheck, BlanksAroundANameDoNotCount)
{
    // The players view shows, and so selects, names without the blanks around them.
    const QStringList buddies{QStringLiteral("Neo"), QStringLiteral(" trin ")};
    const auto result = BuddyCheck::check({QStringLiteral("  Neo "), QStringLiteral("Trin"), QStringLiteral("Ne o")},
                                          buddies, {false, false}, kFormat, {});
    EXPECT_EQ(result.marks, (QList<bool>{true, true}));
    EXPECT_EQ(result.joined, buddies);
    // Blanks inside a name still count.
    EXPECT_EQ(BuddyCheck::check({QStringLiteral("N eo")}, buddies, {false, false}, kFormat, {}).marks,
              (QList<bool>{false, false}));
}

TEST(BuddyCheck, FillsThePlaceholdersInAnyCaseWithSpeakableNames)
{
    const auto result =
        BuddyCheck::check({QStringLiteral("[AB]Neo")}, {QStringLiteral("[AB]Neo")}, {false},
                          QStringLiteral("%PlayerName is on %ServerName"), QStringLiteral("Frag-Zone #1"));
    EXPECT_EQ(result.sentence, QStringLiteral(" AB Neo is on Frag Zone  1"));
    EXPECT_EQ(BuddyCheck::speakableName(QStringLiteral("a!/:@[`{\u00bf\u00c0z")), QStringLiteral("a        \u00c0z"));
    EXPECT_EQ(BuddyCheck::soundPath(QStringLiteral("\"/home/me/buddy.wav\"")), QStringLiteral("/home/me/buddy.wav"));
}

TEST(SpeechComponent, SpeaksOnlyWhenActiveWithAVoice)
{
    FakeDesktop desktop;
    SpeechComponent speech(&desktop);
    EXPECT_EQ(speech.speak(QStringLiteral("hi")), SpeechComponent::Result::NoVoice);
    speech.selectVoice(QStringLiteral("missing"));
    EXPECT_FALSE(speech.hasVoice());
    speech.selectVoice(QStringLiteral("slt"));
    EXPECT_EQ(speech.speak(QStringLiteral("hi")), SpeechComponent::Result::Spoken);
    speech.buffer() = {QStringLiteral("Welcome to Quorvelin.")};
    speech.speakBuffer();
    speech.setActive(false);
    EXPECT_EQ(speech.speak(QStringLiteral("quiet")), SpeechComponent::Result::Silent);
    EXPECT_EQ(desktop.spoken, (QStringList{QStringLiteral("hi"), QStringLiteral("Welcome to Quorvelin.")}));

    // A voice chosen at start asks the engine nothing until something is said.
    FakeDesktop later;
    SpeechComponent chosen(&later);
    chosen.selectVoice(QStringLiteral("kal"));
    chosen.selectVoice(QStringLiteral("missing"));
    EXPECT_EQ(later.voiceListings, 0);
    EXPECT_EQ(chosen.speak(QStringLiteral("hello")), SpeechComponent::Result::Spoken);
    EXPECT_EQ(later.spokenWith, QStringList{QStringLiteral("kal")});
    EXPECT_EQ(later.voiceListings, 1);

    // No engine: never available, and nothing is said or reported.
    desktop.voices.reset();
    SpeechComponent none(&desktop);
    EXPECT_FALSE(none.isAvailable());
    EXPECT_EQ(none.speak(QStringLiteral("hi")), SpeechComponent::Result::Silent);
}

} // namespace
