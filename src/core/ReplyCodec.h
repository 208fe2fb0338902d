#pragma once

#include <QByteArray>
#include <QByteArrayView>

class TUTServer;

// Decodes one query reply datagram into a server record. The reply is
// taken as 8-bit text; known markers are looked up in a fixed order and cut
// out of a working copy together with their values. Keys the reply lacks
// leave their fields as they were.
namespace ReplyCodec {

// Returns true when the reply changed the player count or the maximum, so
// the server list's copies need refreshing.
bool parseServerReply(TUTServer &server, const QByteArray &text);

// Finds the first occurrence of marker in w, cuts it and the value behind
// it (up to the next backslash) out of w and stores the value in field.
// A value with no backslash after it is stored empty and left in w.
// Returns false, changing nothing, when the marker does not occur.
bool takeValue(QByteArray &w, QByteArrayView marker, QByteArray &field);

// One player or team entry whose "\player_" or "\team_" prefix starts at
// position p of w. Always shortens w, so a loop over entries ends.
void parsePlayerEntry(TUTServer &server, QByteArray &w, qsizetype p);
void parseTeamEntry(TUTServer &server, QByteArray &w, qsizetype p);

} // namespace ReplyCodec
