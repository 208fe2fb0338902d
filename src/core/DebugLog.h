#pragma once

#include <QObject>
#include <QString>

class LocalTime;

// The debug log: only in debug mode and never after the program began to
// close, each line is "[" + local time + "] " + text.
class DebugLog final : public QObject
{
    Q_OBJECT
public:
    DebugLog(bool debugMode, const LocalTime &time, QObject *parent = nullptr);

    bool isDebugMode() const { return m_debugMode; }
    bool isActive() const { return m_debugMode && !m_silenced; }
    void log(const QString &text);
    // From now on nothing is logged: the program is closing.
    void silence() { m_silenced = true; }

Q_SIGNALS:
    void lineAdded(const QString &line);

private:
    const bool m_debugMode;
    const LocalTime &m_time;
    bool m_silenced = false;
};
