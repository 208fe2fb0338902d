#include "GameLaunch.h"

#include "config/IniFile.h"
#include "core/StrToIntOrZero.h"
#include "platform/SystemGameLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace GameLaunch {

QString findExecutable(const QString &baseDirectory)
{
    // The same look-up that decides whether a directory holds the game.
    return SystemGameLocator::findExecutable(baseDirectory);
}

QString gameAddress(const QString &host, const QString &reportedGamePort, int queryPort)
{
    qint32 port = 0;
    const QString trimmed = reportedGamePort.trimmed();
    bool plainDigits = !trimmed.isEmpty();
    for (const QChar c : trimmed)
        plainDigits = plainDigits && c.isDigit() && c.unicode() < 128;
    if (!plainDigits || !tryStrToInt(trimmed.toLatin1(), port) || port < 1 || port > 65535)
        port = queryPort - 1;
    return host + QLatin1Char(':') + QString::number(port);
}

QString parameters(const QString &address, const QString &runParams)
{
    if (runParams.isEmpty())
        return address;
    const bool wholeFile = QDir::isAbsolutePath(runParams) && QFileInfo(runParams).isFile();
    return wholeFile ? withArgument(address, runParams) : address + QLatin1Char(' ') + runParams;
}

QString quotedArgument(const QString &argument)
{
    const bool plain = !argument.isEmpty() && !argument.contains(QLatin1Char('"'))
                       && std::none_of(argument.cbegin(), argument.cend(), [](QChar c) { return c.isSpace(); });
    if (plain)
        return argument;
    QString quoted = argument;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString withArgument(const QString &text, const QString &argument)
{
    return text + QLatin1Char(' ') + quotedArgument(argument);
}

Command command(const QString &executable, const QString &parameterText, const QString &wineProgram)
{
    Command result{executable, QProcess::splitCommand(parameterText)};
    if (executable.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) && !wineProgram.isEmpty()) {
        result.arguments.prepend(executable);
        result.program = wineProgram;
    }
    return result;
}

QStringList readHistory(const IniFile &ini, const QString &section)
{
    QStringList entries;
    for (int i = 0; i < kHistorySize; ++i)
        entries.append(ini.readString(section, QString::number(i)));
    return entries;
}

bool writeHistory(IniFile &ini, const QString &section, const QStringList &entries, QString *error)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (!ini.writeString(section, QString::number(i), entries[i], error))
            return false;
    }
    return true;
}

QStringList promote(const QStringList &entries, const QString &text)
{
    QStringList result = entries;
    qsizetype at = -1;
    for (qsizetype i = 0; i < result.size() && at < 0; ++i) {
        if (result[i].compare(text, kFileNameCase) == 0)
            at = i;
    }
    if (at >= 0) {
        result.move(at, 0);
        return result;
    }
    result.prepend(text);
    if (result.size() > kHistorySize)
        result.removeAt(kHistorySize);
    return result;
}

} // namespace GameLaunch
