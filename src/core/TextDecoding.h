#pragma once

#include <QByteArrayView>
#include <QString>

// Text from outside the program: UTF-8 when the bytes are valid UTF-8,
// otherwise Windows-1252, the single-byte set older game servers and
// configuration files use. A leading UTF-8 byte order mark is dropped.
QString decodeUtf8OrWindows1252(QByteArrayView bytes);
