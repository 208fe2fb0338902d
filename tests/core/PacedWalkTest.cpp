#include "core/PacedWalk.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"

#include <gtest/gtest.h>

namespace {

using Step = PacedWalk::Step;
constexpr quint32 kHour = 3600 * 1000;

class PacedWalkTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    PacedWalkTest()
    {
        for (int k = 0; k < 4; ++k)
            table.addServer(QStringLiteral("127.0.0.%1").arg(k + 1), 7778, QStringLiteral("s%1").arg(k));
        QObject::connect(&walk, &PacedWalk::finished, &walk, [this](bool completed) { finishes.append(completed); });
    }

    QStringList visited;
    QMap<QString, Step> answers;
    PacedWalk walk{table, [this](int slot, int) {
                       const QString name = table.entry(slot)->Name;
                       visited.append(name);
                       return answers.value(name, Step::Paused);
                   }};
    QList<bool> finishes;
};

TEST_F(PacedWalkTest, FirstStepRunsAtOnceAndEachPausedStepWaits)
{
    answers[QStringLiteral("s0")] = Step::Skipped;
    answers[QStringLiteral("s1")] = Step::Skipped;
    ASSERT_TRUE(walk.startOverList(kHour));
    // Skipped servers cost no pause; the first paused one holds the walk.
    EXPECT_EQ(visited, (QStringList{QStringLiteral("s0"), QStringLiteral("s1"), QStringLiteral("s2")}));
    runEventLoopFor(30);
    EXPECT_EQ(visited.size(), 3);
    EXPECT_TRUE(walk.isRunning());
    EXPECT_FALSE(walk.startOverList(0));
    walk.cancel();
}

TEST_F(PacedWalkTest, WalksEveryServerThenFinishes)
{
    QList<std::pair<int, int>> progress;
    QObject::connect(&walk, &PacedWalk::stepping, &walk, [&](int n, int total) { progress.append({n, total}); });
    walk.startOverList(0);
    ASSERT_TRUE(waitUntil([&] { return !finishes.isEmpty(); }));
    EXPECT_EQ(visited.size(), 4);
    EXPECT_EQ(finishes, QList<bool>{true});
    EXPECT_EQ(progress.last(), std::make_pair(4, 4));
    EXPECT_FALSE(walk.isRunning());
}

TEST_F(PacedWalkTest, ServersDeletedDuringThePauseAreDropped)
{
    walk.startOverList(0);
    table.removeAt(2);
    table.removeAt(1);
    ASSERT_TRUE(waitUntil([&] { return !finishes.isEmpty(); }));
    EXPECT_EQ(visited, (QStringList{QStringLiteral("s0"), QStringLiteral("s3")}));
}

TEST_F(PacedWalkTest, ItemsFollowTheirServersWhenTheListIsSorted)
{
    walk.startOverList(0);
    table.sortServerList(ServerTable::NameDescending);
    ASSERT_TRUE(waitUntil([&] { return !finishes.isEmpty(); }));
    EXPECT_EQ(visited,
              (QStringList{QStringLiteral("s0"), QStringLiteral("s1"), QStringLiteral("s2"), QStringLiteral("s3")}));
}

TEST_F(PacedWalkTest, CancelEndsTheWalkWithoutFinishing)
{
    walk.startOverList(0);
    walk.cancel();
    runEventLoopFor(30);
    EXPECT_EQ(visited.size(), 1);
    EXPECT_TRUE(finishes.isEmpty());
    // A cancelled walk can run again.
    EXPECT_TRUE(walk.startOverList(0));
    ASSERT_TRUE(waitUntil([&] { return !finishes.isEmpty(); }));
    EXPECT_EQ(visited.size(), 5);
}

TEST_F(PacedWalkTest, AStoppedStepEndsTheWalkAtOnce)
{
    answers[QStringLiteral("s1")] = Step::Stopped;
    walk.startOverList(0);
    ASSERT_TRUE(waitUntil([&] { return !finishes.isEmpty(); }));
    runEventLoopFor(20);
    EXPECT_EQ(visited, (QStringList{QStringLiteral("s0"), QStringLiteral("s1")}));
    EXPECT_EQ(finishes, QList<bool>{false});
}

TEST_F(PacedWalkTest, CancelFromInsideAStepOrAProgressListener)
{
    int steps = 0;
    PacedWalk selfCancelling(table, [&](int, int) {
        ++steps;
        return Step::Paused;
    });
    bool finished = false;
    QObject::connect(&selfCancelling, &PacedWalk::finished, &selfCancelling, [&] { finished = true; });
    QObject::connect(&selfCancelling, &PacedWalk::stepping, &selfCancelling, [&](int n, int) {
        if (n == 2)
            selfCancelling.cancel();
    });
    selfCancelling.startOverList(0);
    runEventLoopFor(30);
    EXPECT_EQ(steps, 1);
    EXPECT_FALSE(finished);
}

TEST_F(PacedWalkTest, AnEmptyWalkFinishesAtOnce)
{
    walk.start({}, kHour);
    EXPECT_EQ(finishes, QList<bool>{true});
    EXPECT_TRUE(visited.isEmpty());
}

} // namespace

// An open walk whose steps go on in the background, as a page fetch does.
TEST(OpenPacedWalk, PendingStepsWaitForResumeAndDoneEndsTheWalk)
{
    int steps = 0;
    PacedWalk walk([&steps] { return ++steps < 3 ? Step::Pending : Step::Done; });
    QList<bool> finishes;
    QObject::connect(&walk, &PacedWalk::finished, &walk, [&](bool completed) { finishes.append(completed); });

    ASSERT_TRUE(walk.startOpen(0));
    EXPECT_EQ(steps, 1);
    runEventLoopFor(20);
    EXPECT_EQ(steps, 1) << "a pending step holds the walk";
    walk.resume(Step::Skipped);
    EXPECT_EQ(steps, 2);
    walk.resume(Step::Paused);
    ASSERT_TRUE(waitUntil([&] { return !finishes.isEmpty(); }));
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(finishes, QList<bool>{true});

    // A resume after a cancel, or without a pending step, does nothing.
    steps = 0;
    walk.startOpen(0);
    walk.cancel();
    walk.resume(Step::Skipped);
    walk.resume(Step::Skipped);
    EXPECT_EQ(steps, 1);
    EXPECT_FALSE(walk.isRunning());
    EXPECT_FALSE(walk.startOverList(0)) << "an open walk has no list to walk";

    steps = 0;
    walk.startOpen(0);
    walk.resume(Step::Stopped);
    EXPECT_EQ(finishes, (QList<bool>{true, false}));
}
