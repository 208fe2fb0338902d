#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The version service's side of the version check: the request it is sent
// and how its answer is read. Only the answer's last three lines count: a
// marker, the download address and the latest version number (or "[error]").
namespace VersionAnswer {

struct Answer
{
    bool complete = false;   // at least three lines
    bool hasVersion = false; // the marker stands third from last
    QString address;
    QString version;
};

// Lines end at CR LF, LF or CR; a line break at the very end starts no new line.
Answer parse(QByteArrayView answer);

// The whole request, ended by an empty line.
QByteArray request();

// The version's value, 0 when it is not a number.
int versionNumber(const QString &version);

// Whether the address is an http or https URL with a host, and so safe to open.
bool isDownloadAddress(const QString &address);

} // namespace VersionAnswer
