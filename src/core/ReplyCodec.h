#pragma once

#include <QByteArray>

class TUTServer;

// Decodes one query reply datagram into a server record. The reply is
// taken as 8-bit text; known markers are looked up in a fixed order and cut
// out of a working copy together with their values, so a later lookup sees
// the text as the earlier cuts left it. Keys the reply lacks leave their
// fields as they were.
namespace ReplyCodec {

// Returns true when the reply changed the player count or the maximum, so
// the server list's copies need refreshing. Takes time linear in the size
// of the reply (up to a logarithmic factor), whatever the reply holds.
bool parseServerReply(TUTServer &server, const QByteArray &text);

} // namespace ReplyCodec
