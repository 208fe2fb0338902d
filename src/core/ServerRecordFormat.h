#pragma once

#include <QByteArray>

class TUTServer;

// Writes a server record for the command-line query: as one line of JSON
// whose keys are the record's field names, or as readable text. Reply
// bytes are read as Latin-1, so every byte survives.
namespace ServerRecordFormat {

QByteArray toJsonLine(const TUTServer &server);
QByteArray toText(const TUTServer &server, bool replied);

} // namespace ServerRecordFormat
