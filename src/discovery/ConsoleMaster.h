#pragma once

#include "MasterList.h"

#include <QObject>
#include <QStringList>

#include <optional>

class MasterExchange;
class QIODevice;

// The window-less master query: fetches the list a master server or web
// list gives, with no filters, and prints every server in the order sent,
// without asking the servers anything.
class ConsoleMaster final : public QObject
{
    Q_OBJECT
public:
    enum ExitCode { ListRead = 0, BadArgument = 1, NoList = 2 };

    struct Options
    {
        QString entry;
        bool json = false;
        // Off: the list is handed over through listReceived instead of printed.
        bool print = true;
    };
    // "ENTRY [--json]"; nothing, with a message, for anything else.
    static std::optional<Options> parseArguments(const QStringList &arguments, QString *error);

    ConsoleMaster(const Options &options, QIODevice &out, QIODevice &err, QObject *parent = nullptr);
    ~ConsoleMaster() override;

    MasterExchange &exchange() const { return *m_exchange; }
    void start();

Q_SIGNALS:
    // The list as received, when it is not printed; finished follows.
    void listReceived(const QList<MasterList::ListedServer> &servers);
    void finished(int exitCode);

private:
    void printList(const QList<MasterList::ListedServer> &servers);

    Options m_options;
    QIODevice &m_out;
    QIODevice &m_err;
    MasterExchange *m_exchange;
};
