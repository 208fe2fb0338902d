#include "platform/LocalSocketSingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

TEST(LocalSocketSingleInstance, SecondStartActivatesTheFirst)
{
    const QString profile = QStringLiteral("/tmp/quorvelin-test-") + QUuid::createUuid().toString(QUuid::Id128);
    LocalSocketSingleInstance first(profile);
    ASSERT_TRUE(first.claim());
    int activations = 0;
    QObject::connect(&first, &SingleInstance::activationRequested, &first, [&] { ++activations; });

    // The second start runs its handshake while the first keeps serving.
    LocalSocketSingleInstance second(profile);
    bool secondClaimed = true;
    QMetaObject::invokeMethod(&second, [&] { secondClaimed = second.claim(); }, Qt::QueuedConnection);
    const QDeadlineTimer deadline(3000);
    while (activations == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(secondClaimed);
    EXPECT_EQ(activations, 1);

    LocalSocketSingleInstance otherProfile(profile + QStringLiteral("-other"));
    EXPECT_TRUE(otherProfile.claim());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
