#pragma once

#include <QProcess>
#include <QStringList>

// The game-server simulator in a process of its own, so that its work is
// not counted in the measured program's time.
class SimulatorProcess final
{
public:
    SimulatorProcess(int count, quint16 basePort, const QStringList &extra = {})
    {
        m_process.start(QStringLiteral(QUORVELIN_GAMESIM),
                        QStringList{QStringLiteral("--count"), QString::number(count), QStringLiteral("--base-port"),
                                    QString::number(basePort), QStringLiteral("--quiet")}
                            + extra);
        // It prints one line per server once all are bound.
        QByteArray lines;
        while (lines.count('\n') < count && m_process.waitForReadyRead(5000))
            lines += m_process.readAllStandardOutput();
        m_ready = lines.count('\n') >= count;
    }

    ~SimulatorProcess()
    {
        m_process.terminate();
        m_process.waitForFinished();
    }

    bool isReady() const { return m_ready; }

private:
    QProcess m_process;
    bool m_ready = false;
};
