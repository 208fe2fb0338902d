#pragma once

#include <QObject>
#include <QString>

class LocalTime;
struct RunState;

// The debug log: only in DebugMode and never while closing, each line is
// "[" + local time + "] " + text.
class DebugLog final : public QObject
{
    Q_OBJECT
public:
    DebugLog(const RunState &state, const LocalTime &time, QObject *parent = nullptr);

    bool isActive() const;
    void log(const QString &text);

Q_SIGNALS:
    void lineAdded(const QString &line);

private:
    const RunState &m_state;
    const LocalTime &m_time;
};
