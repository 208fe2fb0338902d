#pragma once

#include <QByteArray>

class TUTServer;

// Writes a server record for the command-line query: as one line of JSON
// whose keys are the record's field names, or as readable text. Reply
// bytes are read as Latin-1, so every byte survives.
namespace ServerRecordFormat {

// The last key, "Replied", tells whether the server answered at all.
QByteArray toJsonLine(const TUTServer &server, bool replied);
QByteArray toText(const TUTServer &server, bool replied);

} // namespace ServerRecordFormat
