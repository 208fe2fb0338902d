#pragma once

#include <QObject>

// Keeps one running program per profile: the first start claims the profile,
// a later start asks the running one to come to the front and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SingleInstance() override = default;

    // True when this process is now the running instance.
    virtual bool claim() = 0;
    // Asks an instance that is already running to show itself; true when one answered.
    virtual bool activateRunning() = 0;

Q_SIGNALS:
    void activationRequested();
};
