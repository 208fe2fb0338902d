// Feeds arbitrary bytes to the INI reader and the comma-text splitter, and
// checks that what the program writes into such a file reads back as written.
#include "config/CommaText.h"
#include "config/IniFile.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    IniFile ini;
    ini.setBytes(bytes);
    const QString buddies = ini.readString(QStringLiteral("nicknames"), QStringLiteral("buddies"));
    ini.readInteger(QStringLiteral("general"), QStringLiteral("SleepTime"), 20);
    ini.readString(QStringLiteral("servers"), QStringLiteral("ip[0]"));

    // Splitting never fails, and joining what it gives splits back the same.
    const QStringList items = CommaText::split(buddies);
    if (CommaText::split(CommaText::join(items)) != items)
        std::abort();

    // A key the program writes reads back as written, whatever else the file holds.
    const QString value = QString::fromUtf8(bytes.left(64));
    if (ini.writeString(QStringLiteral("General"), QStringLiteral("TitleBarFormat"), value)) {
        IniFile back;
        back.setBytes(ini.toBytes());
        if (back.readString(QStringLiteral("general"), QStringLiteral("titlebarformat")) != value)
            std::abort();
    }
    ini.eraseSection(QStringLiteral("servers"));
    return 0;
}
