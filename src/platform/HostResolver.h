#pragma once

#include <QObject>
#include <QString>

// Looks host names up without blocking the user-interface thread: lookUp
// returns at once and resolved follows when the name service has answered.
class HostResolver : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~HostResolver() override = default;

    virtual void lookUp(const QString &name) = 0;

Q_SIGNALS:
    // The name's IPv4 address in dotted form, the last one when it has
    // several; empty when it has none or the look-up failed.
    void resolved(const QString &name, const QString &ipv4);
};
