#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file as a whole: the bytes go to a temporary file beside it,
// which is flushed to disk and then renamed over the old one, so a crash or
// a full disk leaves either the old file or the new, never a part of one.
// Every short write counts as a failure.
bool replaceFileAtomically(const QString &path, const QByteArray &bytes, QString *error);
