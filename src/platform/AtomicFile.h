#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file as a whole: the bytes go to a temporary file beside it,
// which is flushed to disk and then renamed over the old one, so a crash or
// a full disk leaves either the old file or the new, never a part of one.
// Every short write counts as a failure.
//
// A symbolic link stays a link: the file it leads to is replaced, with the
// temporary file beside that one. With LinkPolicy::Refuse a path that is a
// link, dangling or not, is not written at all; a link that appears there
// during the write is replaced itself, never written through.
//
// A file that is read-only (its owner's write permission is off) or that
// the user may not write is left alone and the write fails, also for root.
// When the directory takes no new file but the file itself may be written,
// the file is overwritten in place instead: its room is taken first, so a
// full disk still leaves the old contents, and a write that fails half way
// puts the old contents back.
enum class LinkPolicy { Follow, Refuse };
bool replaceFileAtomically(const QString &path, const QByteArray &bytes, QString *error,
                           LinkPolicy links = LinkPolicy::Follow);

// Removes the temporary files that replaceFileAtomically() left beside the
// file at path when the program was killed during a write. Only regular
// files of this user whose names have exactly the temporary pattern for
// that file are removed. False, with a message, when one of them cannot be.
// Call it while no other process writes the file.
bool removeStaleTemporaryFiles(const QString &path, QString *error = nullptr);
