#pragma once

#include "VersionAnswer.h"
#include "core/CappedTransfer.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

// Asks the version service whether a newer release exists. Two hosts are
// known ("name" or "name:port", port 80 by default); a check starts with
// the current one and moves on to the other when it fails. A manual check
// always ends in a signal; the automatic one speaks only of a newer version
// not announced before. Everything runs on the event loop.
class VersionCheck final : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        qint64 maxBytes = 256 * 1024;
        // The longest a host may take from connecting to closing.
        int timeoutMs = 30000;
    };

    VersionCheck(const QStringList &hosts, int lastVersionChecked, QObject *parent = nullptr);
    ~VersionCheck() override;

    void setLimits(const Limits &limits) { m_limits = limits; }

    // Arms or disarms the single automatic check after delayMs.
    void armStartUpCheck(bool enabled, int delayMs = 30000);
    // The menu's check: it replaces the automatic one and any check running.
    void checkNow();
    // Cancels the running check and the armed one; no signal follows.
    void stop();

    int lastVersionChecked() const { return m_lastVersionChecked; }
    int hostIndex() const { return m_hostIndex; }
    bool isStartUpCheckArmed() const { return m_startUp.isActive(); }
    bool isRunning() const { return m_transfer.isRunning(); }

Q_SIGNALS:
    void newerVersion(const QString &version, const QString &address);
    void latestRunning(const QString &version);
    // A manual check found no host with an answer.
    void unavailable();

private:
    void startCheck(bool manual);
    void connectToHost();
    void answerArrived();
    void handleAnswer(const VersionAnswer::Answer &answer);
    void hostFailed();

    QStringList m_hosts;
    int m_lastVersionChecked;
    int m_hostIndex = 0;
    bool m_manual = false;
    Limits m_limits;
    QTimer m_startUp;
    CappedTransfer m_transfer;
};
