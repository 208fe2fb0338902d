#pragma once

#include "PlatformServices.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class DatagramSocket;
class QIODevice;

// The window-less query: sends the four queries to each server given on the
// command line, decodes the replies with the same engine as the window and
// prints the records.
class ConsoleQuery final
{
public:
    struct Target
    {
        QString address;
        int port = 0;
    };

    struct Options
    {
        QList<Target> targets;
        bool json = false;
        int timeoutMs = 1000;
        std::optional<int> sleepMs;
    };

    enum ExitCode { AllReplied = 0, BadArgument = 1, SomeSilent = 2 };

    // Reads the arguments that follow "--query". On failure returns nothing
    // and sets error to a message for the user.
    static std::optional<Options> parseArguments(const QStringList &arguments, QString *error);

    ConsoleQuery(const Options &options, DatagramSocket &socket, const PlatformServices &services);

    // defaultSleepMs is the profile's pause between servers, used when the
    // options give none.
    int run(QIODevice &out, QIODevice &err, quint32 defaultSleepMs);

private:
    Options m_options;
    DatagramSocket &m_socket;
    PlatformServices m_services;
};
