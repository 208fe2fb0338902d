#include "config/CommaText.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "config/IniFile.h"
#include "config/StoredServers.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

IniFile parse(const QByteArray &bytes)
{
    IniFile ini;
    ini.setBytes(bytes);
    return ini;
}

TEST(IniFile, NamesMatchWithoutRegardToCase)
{
    const IniFile ini = parse("[html]\nOutPut=page.html\n[General]\nsleeptime=5\n");
    EXPECT_EQ(ini.readString(QStringLiteral("HTML"), QStringLiteral("output")), QStringLiteral("page.html"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("general"), QStringLiteral("SleepTime"), 20), 5);
    EXPECT_TRUE(ini.hasSection(QStringLiteral("GENERAL")));

    const IniFile accented = parse("[\xc3\x84rger]\n\xc3\x96l=1\n");
    EXPECT_EQ(accented.readInteger(QStringLiteral("\u00e4RGER"), QStringLiteral("\u00f6L"), 0), 1);
    EXPECT_FALSE(accented.hasSection(QStringLiteral("Arger")));
}

TEST(IniFile, OfRepeatedKeysTheFirstIsReadAndWritten)
{
    IniFile ini = parse("[g]\nk=1\nK=2\n[G]\nk=3\n");
    EXPECT_EQ(ini.readInteger(QStringLiteral("g"), QStringLiteral("k"), 0), 1);
    ini.writeInteger(QStringLiteral("G"), QStringLiteral("K"), 4);
    EXPECT_EQ(ini.toBytes(), QByteArray("[g]\nK=4\nK=2\n[G]\nk=3\n"));
}

// Whatever the changes, the file answers as it will when it is read again.
TEST(IniFile, AnswersAfterChangesAsAFreshReadOfTheFile)
{
    IniFile ini = parse("top=0\n[]\nk=empty name\n[a]\n; k=comment\n k = 1 \nk=2\n\n\n[b]\nx=1\n"
                        "[A]\nk=3\nnew=dup section\n[c]\n=no name\n");
    ini.writeInteger(QStringLiteral("a"), QStringLiteral("new"), 5);
    ini.writeInteger(QStringLiteral("A"), QStringLiteral("K"), 6);
    ini.writeInteger(QStringLiteral("b"), QStringLiteral("y"), 7);
    ini.eraseSection(QStringLiteral("B"));
    ini.writeInteger(QStringLiteral("b"), QStringLiteral("z"), 8);
    ini.writeInteger(QStringLiteral(" d "), QStringLiteral(" w "), 9);
    ini.writeInteger(QStringLiteral("d"), QStringLiteral("w"), 10);
    // A key line that reads as a section header.
    ini.writeString(QStringLiteral("c"), QStringLiteral("[e"), QStringLiteral("f]"));
    ini.writeInteger(QStringLiteral("c"), QStringLiteral("after"), 11);

    const IniFile fresh = parse(ini.toBytes());
    const QStringList sections = {QString(),           QStringLiteral("a"),  QStringLiteral("b"),
                                  QStringLiteral("c"), QStringLiteral("d"),  QStringLiteral(" d "),
                                  QStringLiteral("e"), QStringLiteral("e=f")};
    const QStringList keys = {QStringLiteral("top"), QStringLiteral("k"),   QStringLiteral("new"),
                              QStringLiteral("x"),   QStringLiteral("y"),   QStringLiteral("z"),
                              QStringLiteral("w"),   QStringLiteral(" w "), QString(),
                              QStringLiteral("; k"), QStringLiteral("[e"),  QStringLiteral("after")};
    for (const QString &section : sections) {
        EXPECT_EQ(ini.hasSection(section), fresh.hasSection(section)) << section.toStdString();
        for (const QString &key : keys) {
            EXPECT_EQ(ini.hasKey(section, key), fresh.hasKey(section, key))
                << section.toStdString() << "/" << key.toStdString();
            EXPECT_EQ(ini.readString(section, key, QStringLiteral("-")),
                      fresh.readString(section, key, QStringLiteral("-")))
                << section.toStdString() << "/" << key.toStdString();
        }
    }
    EXPECT_EQ(ini.readInteger(QStringLiteral("a"), QStringLiteral("k"), 0), 6);
    EXPECT_EQ(ini.readInteger(QStringLiteral("d"), QStringLiteral("w"), 0), 10);
    EXPECT_EQ(fresh.toBytes(), ini.toBytes());
}

TEST(IniFile, WritesInPlaceAppendKeysToTheirSectionAndKeepsTheRest)
{
    IniFile ini = parse("; my notes\n[General]\nLocalPort=1\nMyOwnKey=keep me\n\n[Custom]\nx=1\n");
    ini.writeInteger(QStringLiteral("general"), QStringLiteral("localport"), 7000);
    ini.writeInteger(QStringLiteral("GENERAL"), QStringLiteral("SleepTime"), 30);
    ini.writeString(QStringLiteral("nicknames"), QStringLiteral("buddies"), QStringLiteral("a,b"));
    EXPECT_EQ(ini.toBytes(), QByteArray("; my notes\n[General]\nlocalport=7000\nMyOwnKey=keep me\nSleepTime=30\n\n"
                                        "[Custom]\nx=1\n[nicknames]\nbuddies=a,b\n"));
}

TEST(IniFile, KeepsWindowsLineEndings)
{
    IniFile ini = parse("[a]\r\nk=1\r\n");
    ini.writeInteger(QStringLiteral("a"), QStringLiteral("k"), 2);
    EXPECT_EQ(ini.toBytes(), QByteArray("[a]\r\nk=2\r\n"));
}

struct IntegerCase
{
    const char *text;
    int value;
};

class IniInteger : public ::testing::TestWithParam<IntegerCase>
{
};

TEST_P(IniInteger, ReadsDecimalAndHexOrTheDefault)
{
    const IniFile ini = parse(QByteArray("[g]\nk=") + GetParam().text + "\n");
    EXPECT_EQ(ini.readInteger(QStringLiteral("g"), QStringLiteral("k"), -7), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(IniFile, IniInteger,
                         ::testing::Values(IntegerCase{"42", 42}, IntegerCase{"-3", -3}, IntegerCase{"0x32", 50},
                                           IntegerCase{"0X32", 50}, IntegerCase{"$1f", 31}, IntegerCase{" 8 ", 8},
                                           IntegerCase{"letters", -7}, IntegerCase{"", -7}, IntegerCase{"12a", -7},
                                           IntegerCase{"0x", -7}, IntegerCase{"99999999999", -7},
                                           IntegerCase{"2147483647", 2147483647}, IntegerCase{"x10", -7}));

TEST(IniFile, BooleansAreIntegers)
{
    const IniFile ini = parse("[g]\na=0\nb=1\nc=5\nd=yes\n");
    EXPECT_FALSE(ini.readBool(QStringLiteral("g"), QStringLiteral("a"), true));
    EXPECT_TRUE(ini.readBool(QStringLiteral("g"), QStringLiteral("b"), false));
    EXPECT_TRUE(ini.readBool(QStringLiteral("g"), QStringLiteral("c"), false));
    EXPECT_TRUE(ini.readBool(QStringLiteral("g"), QStringLiteral("d"), true));
    EXPECT_FALSE(ini.readBool(QStringLiteral("g"), QStringLiteral("missing"), false));
}

TEST(IniFile, LongValuesAreCutOnReadAndRefusedOnWrite)
{
    const IniFile ini = parse("[g]\nk=" + QByteArray(100000, 'x') + "\n");
    EXPECT_EQ(ini.readString(QStringLiteral("g"), QStringLiteral("k")).size(), IniFile::kMaxValueLength);

    IniFile out;
    QString error;
    EXPECT_TRUE(
        out.writeString(QStringLiteral("g"), QStringLiteral("k"), QString(IniFile::kMaxValueLength, QLatin1Char('y'))));
    EXPECT_FALSE(out.writeString(QStringLiteral("g"), QStringLiteral("k2"),
                                 QString(IniFile::kMaxValueLength + 1, QLatin1Char('y')), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(out.hasKey(QStringLiteral("g"), QStringLiteral("k2")));
}

TEST(IniFile, ValuesThatWouldBreakTheFileAreRefused)
{
    IniFile ini = parse("[g]\nk=old\n");
    QString error;
    for (const QString &bad :
         {QStringLiteral("two\nlines"), QStringLiteral("cr\rhere"), QStringLiteral("nul") + QChar(0)}) {
        error.clear();
        EXPECT_FALSE(ini.writeString(QStringLiteral("g"), QStringLiteral("k"), bad, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(ini.readString(QStringLiteral("g"), QStringLiteral("k")), QStringLiteral("old"));
}

TEST(IniFile, ValuesReadBackAsWritten)
{
    const QStringList values = {QStringLiteral("  leading and trailing  "),
                                QStringLiteral("\"quoted\""),
                                QStringLiteral("\"\""),
                                QStringLiteral("a=b=c"),
                                QStringLiteral("[not a section]"),
                                QStringLiteral("; not a comment"),
                                QStringLiteral("J\u00f6rg \u2603 \u0416"),
                                QString()};
    IniFile ini;
    for (qsizetype i = 0; i < values.size(); ++i)
        ASSERT_TRUE(ini.writeString(QStringLiteral("g"), QStringLiteral("k%1").arg(i), values[i]));
    const IniFile back = parse(ini.toBytes());
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(back.readString(QStringLiteral("g"), QStringLiteral("k%1").arg(i)), values[i]) << i;
}

TEST(IniFile, ReadsSingleByteFilesAsWindows1252)
{
    const IniFile ini = parse("[nicknames]\nbuddies=J\xf6rg,\x80uro,caf\xe9\n");
    EXPECT_EQ(CommaText::split(ini.readString(QStringLiteral("nicknames"), QStringLiteral("buddies"))),
              (QStringList{QStringLiteral("J\u00f6rg"), QStringLiteral("\u20acuro"), QStringLiteral("caf\u00e9")}));
    // Rewritten as UTF-8, so it reads back identically.
    EXPECT_EQ(parse(ini.toBytes()).readString(QStringLiteral("nicknames"), QStringLiteral("buddies")),
              QStringLiteral("J\u00f6rg,\u20acuro,caf\u00e9"));
}

TEST(IniFile, ReadsUtf8WithAByteOrderMark)
{
    IniFile ini = parse("\xEF\xBB\xBF[nicknames]\nbuddies=J\xc3\xb6rg\n");
    EXPECT_EQ(ini.readString(QStringLiteral("nicknames"), QStringLiteral("buddies")), QStringLiteral("J\u00f6rg"));
    ini.writeInteger(QStringLiteral("general"), QStringLiteral("SleepTime"), 5);
    EXPECT_EQ(ini.toBytes(), QByteArray("[nicknames]\nbuddies=J\xc3\xb6rg\n[general]\nSleepTime=5\n"));
}

struct Utf16Case
{
    const char *name;
    QStringConverter::Encoding encoding;
    QByteArray mark;
};

void PrintTo(const Utf16Case &param, std::ostream *os)
{
    *os << param.name;
}

class IniUtf16 : public ::testing::TestWithParam<Utf16Case>
{
protected:
    // The text as a Windows editor saves it: a byte order mark, then UTF-16.
    static QByteArray utf16(const QString &text)
    {
        QStringEncoder encoder(GetParam().encoding, QStringConverter::Flag::Stateless);
        return GetParam().mark + QByteArray(encoder.encode(text));
    }
};

TEST_P(IniUtf16, IsReadAndWrittenBackInUtf16)
{
    IniFile ini =
        parse(utf16(QStringLiteral("[General]\r\nSleepTime=5\r\n[nicknames]\r\nbuddies=J\u00f6rg,\u20acuro\r\n"
                                   "[servers]\r\nip[0]=10.0.0.1\r\nport[0]=7778\r\ndesc[0]=Caf\u00e9 \u2603\r\n")));
    EXPECT_EQ(ini.readInteger(QStringLiteral("general"), QStringLiteral("sleeptime"), 20), 5);
    EXPECT_EQ(ini.readString(QStringLiteral("nicknames"), QStringLiteral("buddies")),
              QStringLiteral("J\u00f6rg,\u20acuro"));
    const QList<StoredServers::Entry> servers = StoredServers::loadServerList(ini);
    ASSERT_EQ(servers.size(), 1);
    EXPECT_EQ(servers[0].name, QStringLiteral("Caf\u00e9 \u2603"));

    ini.writeString(QStringLiteral("nicknames"), QStringLiteral("buddies"), QStringLiteral("Zo\u00eb"));
    ini.writeInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), 7000);
    EXPECT_EQ(ini.toBytes(),
              utf16(QStringLiteral("[General]\r\nSleepTime=5\r\nLocalPort=7000\r\n[nicknames]\r\nbuddies=Zo\u00eb\r\n"
                                   "[servers]\r\nip[0]=10.0.0.1\r\nport[0]=7778\r\ndesc[0]=Caf\u00e9 \u2603\r\n")));
}

TEST_P(IniUtf16, AnEmptyFileStaysUtf16)
{
    IniFile ini = parse(GetParam().mark);
    EXPECT_FALSE(ini.hasSection(QString()));
    ini.writeInteger(QStringLiteral("general"), QStringLiteral("SleepTime"), 5);
    EXPECT_EQ(ini.toBytes(), utf16(QStringLiteral("[general]\nSleepTime=5\n")));
}

INSTANTIATE_TEST_SUITE_P(IniFile, IniUtf16,
                         ::testing::Values(Utf16Case{"LittleEndian", QStringConverter::Utf16LE, QByteArray("\xFF\xFE")},
                                           Utf16Case{"BigEndian", QStringConverter::Utf16BE, QByteArray("\xFE\xFF")}),
                         [](const ::testing::TestParamInfo<Utf16Case> &param) {
                             return std::string(param.param.name);
                         });

TEST(IniFile, DuplicateSectionsReadTheFirstAndEraseAll)
{
    IniFile ini = parse("[servers]\nip[0]=1.2.3.4\n[other]\nk=v\n[SERVERS]\nip[0]=5.6.7.8\nip[1]=9.9.9.9\n");
    EXPECT_EQ(ini.readString(QStringLiteral("servers"), QStringLiteral("ip[0]")), QStringLiteral("1.2.3.4"));
    ini.eraseSection(QStringLiteral("servers"));
    EXPECT_EQ(ini.toBytes(), QByteArray("[other]\nk=v\n"));
}

TEST(IniFile, GarbageGivesDefaultsAndIsKeptWhenWriting)
{
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(static_cast<char>((i * 7919) % 256));
    IniFile ini = parse(garbage);
    EXPECT_EQ(ini.readInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), 65000), 65000);
    const QByteArray before = ini.toBytes();
    ini.writeInteger(QStringLiteral("general"), QStringLiteral("SleepTime"), 20);
    EXPECT_TRUE(ini.toBytes().startsWith(before.left(before.size() - 1)));
}

class IniFileOnDisk : public ::testing::Test
{
protected:
    QString path() const { return dir.filePath(QStringLiteral("Quorvelin.ini")); }
    QByteArray contents() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(IniFileOnDisk, MissingFileIsEmptyAndSaveCreatesIt)
{
    IniFile ini(path());
    EXPECT_TRUE(ini.load());
    EXPECT_FALSE(ini.hasSection(QStringLiteral("general")));
    ini.writeInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), 65000);
    EXPECT_TRUE(ini.save());
    EXPECT_EQ(contents(), QByteArray("[general]\nLocalPort=65000\n"));
}

TEST_F(IniFileOnDisk, FailedWriteLeavesThePreviousFileWhole)
{
    const QByteArray previous = "[general]\nLocalPort=7000\n";
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(previous);
    }
    IniFile ini(path());
    ASSERT_TRUE(ini.load());
    ASSERT_TRUE(ini.writeString(QStringLiteral("general"), QStringLiteral("Big"), QString(2000, QLatin1Char('z'))));

    // The disk fills up half way through the write.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 512;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    QString error;
    const bool saved = ini.save(&error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(contents(), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Quorvelin.ini")});
}

TEST(Configuration, CloseWritesTheRunningState)
{
    IniFile ini = parse("[General]\nServerListDelay=2\nUnknown=stays\n");
    Configuration::saveStateOnClose(ini, {30, 5, 16, true, false, 170, QStringLiteral("0,2,")});
    const Settings s = Configuration::loadConfiguration(ini, QString());
    EXPECT_EQ(s.ServerListDelay, 30);
    EXPECT_EQ(s.ServerInfoDelay, 5);
    EXPECT_EQ(s.PlayerInfoDelay, 16);
    EXPECT_TRUE(s.ServerInfoUpdate);
    EXPECT_FALSE(s.PlayerInfoUpdate);
    EXPECT_EQ(s.LastVersionChecked, 170);
    EXPECT_EQ(ini.readString(QStringLiteral("general"), QStringLiteral("ServerListChecks")), QStringLiteral("0,2,"));
    EXPECT_EQ(ini.readString(QStringLiteral("general"), QStringLiteral("Unknown")), QStringLiteral("stays"));
}

} // namespace

namespace {

TEST(ConfigFile, AnUnwritableFileIsReportedOnceAndTheProgramGoesOn)
{
    FakeMessageBoxes messages;
    ConfigFile config(QStringLiteral("/nonexistent-quorvelin-dir/Quorvelin.ini"), messages);
    const auto write = [](IniFile &ini, QString *) {
        ini.writeInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), 1);
        return true;
    };
    EXPECT_FALSE(config.write(write));
    EXPECT_FALSE(config.write(write));
    EXPECT_EQ(messages.errors.size(), 1);
    EXPECT_TRUE(messages.errors.first().contains(QStringLiteral("Quorvelin.ini")));
}

TEST(ConfigFile, AReadOnlyFileIsReportedOnceAndChangesStayForTheSession)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quorvelin.ini"));
    const QByteArray previous = "[general]\nLocalPort=7000\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(previous);
    }
    // The owner's write bit marks the file read-only, for root as well.
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    FakeMessageBoxes messages;
    ConfigFile config(path, messages);
    const auto write = [](IniFile &ini, QString *) {
        ini.writeInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), 1);
        return true;
    };
    EXPECT_FALSE(config.write(write));
    EXPECT_FALSE(config.write(write));
    ASSERT_EQ(messages.errors.size(), 1);
    EXPECT_TRUE(messages.errors.first().contains(path));
    EXPECT_TRUE(messages.errors.first().contains(QStringLiteral("read-only")));
    EXPECT_TRUE(messages.errors.first().contains(QStringLiteral("Changes are kept for this session only")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), previous);
}

TEST(ConfigFile, AUtf16FileKeepsItsServersAndItsEncoding)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quorvelin.ini"));
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xFF\xFE"
                + QByteArray(encoder.encode(
                    QStringLiteral("[servers]\r\nip[0]=10.0.0.1\r\nport[0]=7778\r\ndesc[0]=Caf\u00e9\r\n"))));
    }
    FakeMessageBoxes messages;
    ConfigFile config(path, messages);
    ASSERT_EQ(StoredServers::loadServerList(config.read()).size(), 1);
    EXPECT_TRUE(config.write([](IniFile &ini, QString *error) {
        return ini.writeString(QStringLiteral("nicknames"), QStringLiteral("buddies"), QStringLiteral("J\u00f6rg"),
                               error);
    }));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "\xFF\xFE"
                               + QByteArray(encoder.encode(
                                   QStringLiteral("[servers]\r\nip[0]=10.0.0.1\r\nport[0]=7778\r\n"
                                                  "desc[0]=Caf\u00e9\r\n[nicknames]\r\nbuddies=J\u00f6rg\r\n"))));
    EXPECT_EQ(StoredServers::loadServerList(config.read()).size(), 1);
}

TEST(ConfigFile, RefusedValuesWriteNothing)
{
    QTemporaryDir dir;
    FakeMessageBoxes messages;
    ConfigFile config(dir.filePath(QStringLiteral("Quorvelin.ini")), messages);
    EXPECT_TRUE(config.write([](IniFile &ini, QString *error) {
        return ini.writeString(QStringLiteral("general"), QStringLiteral("TitleBarFormat"), QStringLiteral("ok"),
                               error);
    }));
    EXPECT_FALSE(config.write([](IniFile &ini, QString *error) {
        ini.writeInteger(QStringLiteral("general"), QStringLiteral("SleepTime"), 5);
        return ini.writeString(QStringLiteral("general"), QStringLiteral("TitleBarFormat"), QStringLiteral("a\nb"),
                               error);
    }));
    EXPECT_EQ(messages.errors.size(), 1);
    const IniFile back = config.read();
    EXPECT_EQ(back.readString(QStringLiteral("general"), QStringLiteral("TitleBarFormat")), QStringLiteral("ok"));
    EXPECT_FALSE(back.hasKey(QStringLiteral("general"), QStringLiteral("SleepTime")));
}

} // namespace
