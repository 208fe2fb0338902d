#include "platform/LocalSocketSingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(LocalSocketSingleInstance, SecondStartActivatesTheFirst)
{
    QTemporaryDir dir;
    const QString profile = dir.path();
    LocalSocketSingleInstance first(profile);
    ASSERT_TRUE(first.claim());
    int activations = 0;
    QObject::connect(&first, &SingleInstance::activationRequested, &first, [&] { ++activations; });

    // The second start runs its handshake while the first keeps serving.
    LocalSocketSingleInstance second(profile);
    bool secondClaimed = true;
    QMetaObject::invokeMethod(
        &second, [&] { secondClaimed = second.claim(); }, Qt::QueuedConnection);
    const QDeadlineTimer deadline(3000);
    while (activations == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(secondClaimed);
    EXPECT_EQ(activations, 1);

    QTemporaryDir other;
    LocalSocketSingleInstance otherProfile(other.path());
    EXPECT_TRUE(otherProfile.claim());
}

TEST(LocalSocketSingleInstance, AProfileWhoseLockIsTakenNeverRunsTwice)
{
    // Two starts at the same moment: the first holds the lock but does not
    // listen yet. The second waits for it and never runs on its own.
    QTemporaryDir profile;
    QLockFile held(QDir(profile.path()).filePath(QStringLiteral("Quorvelin.lock")));
    ASSERT_TRUE(held.tryLock(0));
    LocalSocketSingleInstance second(profile.path());
    EXPECT_FALSE(second.claim());

    // Once the first is gone, the profile is free again.
    held.unlock();
    LocalSocketSingleInstance third(profile.path());
    EXPECT_TRUE(third.claim());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
