#pragma once

#include "ListedServer.h"

#include <QByteArray>
#include <QList>

// How a simulated master server behaves. The defaults are a 333networks-style
// validating master that greets without \final\ and drops bad clients silently.
struct SimulatedMasterConfig final
{
    // What a validating master does with a missing or wrong \validate\ value.
    enum class Refusal {
        Silent, // closes the connection (333networks Qt)
        Echo,   // says why in an \echo\ message, then closes (333networks Perl)
    };

    // Broken masters, for the client's error handling.
    enum class Misbehaviour {
        None,
        NoGreeting,       // accepts the connection and never says anything
        CloseBeforeFinal, // sends half the entries and closes, \final\ left out
        NeverClose,       // sends the whole reply with \final\ but keeps the connection open
        Endless,          // streams \ip\ entries for ever and never sends \final\ at all
        Garbage,          // sends random binary bytes, then \final\, then closes
        SplitFinal,       // sends the reply with its \final\ split across two writes 100 ms apart
    };

    QList<ListedServer> servers;
    int listLength = 0;     // above servers.size(): distinct syntheticServer() entries fill the list to this length
    bool validating = true; // require a correct \validate\; act on a message once \final\ ends it
    bool greetingWithFinal = false; // "\basic\\secure\ABCDEF\final\" (Perl, OpenSpy) instead of no \final\ (Qt)
    Refusal refusal = Refusal::Silent;
    bool honourFilters = false; // apply the \gametype\ and \location\ of a list request
    int idleTimeoutMs = 7500;   // close a connection that sends nothing this long (0: never)
    int quietMs = 200;          // without validation, a \list\ request without \final\ is complete after this silence
    QByteArray challenge;       // empty: six random letters A-Z per connection
    Misbehaviour misbehaviour = Misbehaviour::None;

    // Byte offsets at which the greeting and a list reply are cut into TCP segments of
    // their own, each sent segmentPauseMs after the one before, as a slow or fragmenting
    // path delivers them. The master acts on the client's messages only once its whole
    // greeting is out, as a real one that wrote it at once would.
    QList<qsizetype> greetingCuts;
    QList<qsizetype> replyCuts;
    int segmentPauseMs = 20;
};
