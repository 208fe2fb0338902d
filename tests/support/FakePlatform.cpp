#include "FakePlatform.h"

void FakeHostResolver::lookUp(const QString &name)
{
    lookUps.append(name);
    pending.append(name);
    if (!holdAnswers)
        QMetaObject::invokeMethod(this, &FakeHostResolver::answerPending, Qt::QueuedConnection);
}

void FakeHostResolver::answerPending()
{
    const QStringList questions = std::exchange(pending, {});
    for (const QString &name : questions)
        Q_EMIT resolved(name, names.value(name));
}

FakePlatform::FakePlatform()
{
    services.clock = &clock;
    services.localTime = &localTime;
    services.messages = &messages;
    services.resolver = &resolver;
}
