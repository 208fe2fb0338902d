#include "config/CommaText.h"
#include "config/Configuration.h"
#include "config/HotKeys.h"
#include "config/IniFile.h"
#include "support/QtPrinters.h"

#include <QSet>
#include <QVariant>

#include <gtest/gtest.h>

namespace {

IniFile reread(const IniFile &ini)
{
    IniFile again;
    again.setBytes(ini.toBytes());
    return again;
}

struct KeyCase
{
    QKeyCombination key;
    int code;
    const char *text;
};

class HotKeyCodes : public testing::TestWithParam<KeyCase>
{
};

TEST_P(HotKeyCodes, ConvertBothWays)
{
    const KeyCase &c = GetParam();
    EXPECT_EQ(HotKeys::codeOf(c.key), c.code);
    EXPECT_EQ(HotKeys::keyOf(c.code), c.key);
    EXPECT_EQ(HotKeys::textOf(c.code), QString::fromLatin1(c.text));
    EXPECT_EQ(HotKeys::codeOfText(QString::fromLatin1(c.text)), c.code);
}

constexpr auto kPad = Qt::KeypadModifier;

INSTANTIATE_TEST_SUITE_P(
    Table, HotKeyCodes,
    testing::Values(
        KeyCase{Qt::CTRL | Qt::Key_A, 16449, "Ctrl+A"}, KeyCase{Qt::Key_Delete, 46, "Del"},
        KeyCase{Qt::ALT | Qt::Key_Return, 32781, "Alt+Enter"}, KeyCase{Qt::SHIFT | Qt::Key_F5, 8308, "Shift+F5"},
        KeyCase{Qt::Key_F5, 116, "F5"}, KeyCase{Qt::Key_F12, 123, "F12"}, KeyCase{Qt::Key_F24, 135, "F24"},
        KeyCase{Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_Z, 0xE05A, "Shift+Ctrl+Alt+Z"}, KeyCase{Qt::Key_0, 48, "0"},
        KeyCase{Qt::Key_9, 57, "9"}, KeyCase{Qt::Key_Backspace, 8, "Backspace"}, KeyCase{Qt::Key_Tab, 9, "Tab"},
        KeyCase{Qt::Key_Pause, 19, "Pause"}, KeyCase{Qt::Key_Escape, 27, "Esc"}, KeyCase{Qt::Key_Space, 32, "Space"},
        KeyCase{Qt::Key_PageUp, 33, "PgUp"}, KeyCase{Qt::Key_PageDown, 34, "PgDown"}, KeyCase{Qt::Key_End, 35, "End"},
        KeyCase{Qt::Key_Home, 36, "Home"}, KeyCase{Qt::Key_Left, 37, "Left"}, KeyCase{Qt::Key_Up, 38, "Up"},
        KeyCase{Qt::Key_Right, 39, "Right"}, KeyCase{Qt::Key_Down, 40, "Down"}, KeyCase{Qt::Key_Insert, 45, "Ins"},
        KeyCase{kPad | Qt::Key_0, 96, "Num 0"}, KeyCase{kPad | Qt::Key_9, 105, "Num 9"},
        KeyCase{kPad | Qt::Key_Asterisk, 106, "Num *"}, KeyCase{kPad | Qt::Key_Plus, 107, "Num +"},
        KeyCase{kPad | Qt::Key_Minus, 109, "Num -"}, KeyCase{kPad | Qt::Key_Period, 110, "Num ."},
        KeyCase{kPad | Qt::Key_Slash, 111, "Num /"}, KeyCase{Qt::CTRL | Qt::Key_Semicolon, 0x40BA, "Ctrl+;"},
        KeyCase{Qt::Key_Equal, 187, "="}, KeyCase{Qt::Key_Comma, 188, ","},
        KeyCase{Qt::CTRL | Qt::Key_Minus, 0x40BD, "Ctrl+-"}, KeyCase{Qt::Key_Period, 190, "."},
        KeyCase{Qt::Key_Slash, 191, "/"}, KeyCase{Qt::Key_QuoteLeft, 192, "`"}, KeyCase{Qt::Key_BracketLeft, 219, "["},
        KeyCase{Qt::Key_Backslash, 220, "\\"}, KeyCase{Qt::Key_BracketRight, 221, "]"},
        KeyCase{Qt::Key_Apostrophe, 222, "'"}));

TEST(HotKeys, KeysQtReportsApartShareOneCode)
{
    EXPECT_EQ(HotKeys::codeOf(Qt::Key_Enter), 13);
    EXPECT_EQ(HotKeys::codeOf(Qt::AltModifier | Qt::KeypadModifier | Qt::Key_Enter), 32781);
    EXPECT_EQ(HotKeys::codeOf(Qt::KeypadModifier | Qt::Key_Delete), 46);
    EXPECT_EQ(HotKeys::codeOf(Qt::SHIFT | Qt::Key_Backtab), 0x2009);
    EXPECT_EQ(HotKeys::codeOf(Qt::SHIFT | Qt::Key_Exclam), 0x2031);
    EXPECT_EQ(HotKeys::codeOf(Qt::SHIFT | Qt::Key_Plus), 0x20BB);
    EXPECT_EQ(HotKeys::codeOf(Qt::SHIFT | Qt::Key_Asterisk), 0x2038);
}

TEST(HotKeys, WhatNamesNoKeyIsNone)
{
    for (const QKeyCombination key : {HotKeys::kNoKey, QKeyCombination(), QKeyCombination(Qt::Key_Print),
                                      QKeyCombination(Qt::META | Qt::Key_A), QKeyCombination(Qt::CTRL)})
        EXPECT_EQ(HotKeys::codeOf(key), 0) << key.toCombined();
    for (const int code : {0, -1, 44, 0x4000, 0x1041, 0x10041, 0x40FF})
        EXPECT_EQ(HotKeys::keyOf(code), HotKeys::kNoKey) << code;
    for (const char *text : {"", "Ctrl+", "Ctrl++", "Hyper+A", "F25", "Num 10", "Num.", "AA", "Del Ins", "Ctrl A"})
        EXPECT_EQ(HotKeys::codeOfText(QString::fromLatin1(text)), 0) << text;
}

TEST(HotKeys, EveryNamedCodeRoundTrips)
{
    int named = 0;
    for (int code = 0; code <= 0xFFFF; ++code) {
        const QString text = HotKeys::textOf(code);
        if (text.isEmpty()) {
            EXPECT_EQ(HotKeys::keyOf(code), HotKeys::kNoKey) << code;
            continue;
        }
        ++named;
        EXPECT_EQ(HotKeys::codeOfText(text), code) << qPrintable(text);
        EXPECT_EQ(HotKeys::codeOf(HotKeys::keyOf(code)), code) << qPrintable(text);
    }
    // 102 keys, each with the eight combinations of Shift, Ctrl and Alt.
    EXPECT_EQ(named, 102 * 8);
    EXPECT_EQ(HotKeys::codeOfText(QStringLiteral(" alt+ctrl+num del ")), 0xC02E);
}

TEST(HotKeys, TableRowsAndBuiltInCodes)
{
    const QList<HotKeys::Row> &rows = HotKeys::table();
    ASSERT_EQ(rows.size(), 17);
    const QList<int> builtIn{123,   16449, 0,   46,    0,     16454, 112,   16457, 0,
                             16463, 8308,  116, 16461, 32781, 0,     16466, 16470};
    for (qsizetype n = 0; n < rows.size(); ++n) {
        const HotKeys::Row &row = rows[n];
        EXPECT_EQ(HotKeys::codeOf(row.builtIn), builtIn[n]) << qPrintable(row.key);
        // A command whose shortcut was removed gets its built-in one back through the table text.
        EXPECT_EQ(HotKeys::codeOfText(row.tableText), builtIn[n]) << qPrintable(row.key);
        EXPECT_FALSE(row.actions.isEmpty());
    }
    EXPECT_EQ(rows[9].key, QStringLiteral("PorgramOptions"));
    EXPECT_EQ(rows[12].caption, QStringLiteral("Retreive from master server"));
    EXPECT_EQ(rows[3].tableText, QStringLiteral("Num Del"));
    EXPECT_EQ(rows[3].actions, QStringList({QStringLiteral("mi_Deleteserver"), QStringLiteral("mi_Deleteserver1")}));
}

TEST(HotKeys, LoadReadsOnlyPresentNumbers)
{
    IniFile ini;
    ini.setBytes("[hotkeys]\nhelp=0\nAbout=0x7B\nExit=junk\n[general]\nAddServer=5\n");
    const QList<std::optional<int>> codes = HotKeys::load(ini);
    ASSERT_EQ(codes.size(), 17);
    EXPECT_EQ(codes[6], 0);
    EXPECT_EQ(codes[0], 123);
    for (const int absent : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})
        EXPECT_EQ(codes[absent], std::nullopt) << absent;

    QList<int> written;
    for (const HotKeys::Row &row : HotKeys::table())
        written.append(HotKeys::codeOf(row.builtIn));
    HotKeys::save(ini, written);
    EXPECT_TRUE(ini.toBytes().contains("\nAddServer=16449\n"));
    const QList<std::optional<int>> again = HotKeys::load(reread(ini));
    for (qsizetype n = 0; n < written.size(); ++n)
        EXPECT_EQ(again[n], written[n]) << n;
}

TEST(HotKeys, AKeySeveralRowsHoldStaysWithTheFirst)
{
    const int ctrlF = 16454;
    const int f1 = 112;
    // Rows 0 About, 5 Find LAN servers, 6 Help; code 0x00FF names no key.
    QList<int> codes(17, 0);
    codes[0] = ctrlF;
    codes[5] = ctrlF;
    codes[6] = ctrlF;
    codes[7] = 0x00FF;
    codes[8] = 0x00FF;
    const QList<int> kept = HotKeys::withoutClashes(codes);
    QList<int> expected(17, 0);
    expected[0] = ctrlF;
    EXPECT_EQ(kept, expected);

    // Shown, a row without a key takes its table text's key only while no
    // other row holds it: Find LAN servers stays empty, Help shows F1.
    const QList<int> shown = HotKeys::shownCodes(codes);
    ASSERT_EQ(shown.size(), 17);
    EXPECT_EQ(shown[0], ctrlF);
    EXPECT_EQ(shown[5], 0);
    EXPECT_EQ(shown[6], f1);
    EXPECT_EQ(shown[7], 16457) << "Import from ini: Ctrl+I";
    QList<int> held = shown;
    held.removeAll(0);
    EXPECT_EQ(QSet<int>(held.cbegin(), held.cend()).size(), held.size()) << "no key shown twice";
    // Too few codes: the rest show their table texts.
    EXPECT_EQ(HotKeys::shownCodes({}).value(16), 16470);
}

// Everything the settings dialog edits, one "name=value" line each, so a
// mismatch names its field.
std::string dialogFields(const Settings &s)
{
    QStringList lines;
    const auto add = [&](const char *name, const auto &value) {
        lines.append(QString::fromLatin1(name) + QLatin1Char('=') + QVariant::fromValue(value).toString());
    };
    add("UTBaseDir", s.UTBaseDir);
    add("LocalPort", s.LocalPort);
    add("ServerTimeOut", s.ServerTimeOut);
    add("MinBarWidth", s.MinBarWidth);
    add("BuddySound", s.BuddySound);
    add("ComputerVoice", s.ComputerVoice);
    add("ComputerVoiceActive", s.ComputerVoiceActive);
    add("SleepTime", s.SleepTime);
    add("CheckVersionAtStartUp", s.CheckVersionAtStartUp);
    add("TitleBarFormat", s.TitleBarFormat);
    add("BuddySpeechFormat", s.BuddySpeechFormat);
    add("ngWorldStats", s.NgWorldStats);
    add("loadcolor_50-", s.LoadColorBelowHalf);
    add("loadcolor_50+", s.LoadColorHalf);
    add("loadcolor_100", s.LoadColorFull);
    add("DefaultFontSize", s.DefaultFontSize);
    add("RememberServerCheck", s.RememberServerCheck);
    add("paint_3DFrame_Team", s.Paint3DFrameTeam);
    add("paint_3DFrame_Graph", s.Paint3DFrameGraph);
    add("paint_Thick_Team", s.PaintThickTeam);
    add("paint_Thick_Graph", s.PaintThickGraph);
    add("paint_Frame_Team", s.PaintFrameTeam);
    add("paint_Frame_Graph", s.PaintFrameGraph);
    add("promptOnRun", s.promptOnRun);
    add("RunParams", s.RunParams);
    add("CloseOnJoin", s.CloseOnJoin);
    add("template", s.HtmlTemplate);
    add("output", s.HtmlOutput);
    add("outputdir", s.HtmlOutputDir);
    add("command", s.HtmlCommand);
    add("enabled", s.HtmlEnabled);
    add("interval", s.HtmlInterval);
    add("HistoryDays", s.HistoryDays);
    return lines.join(QLatin1Char('\n')).toStdString();
}

// Texts and numbers unlike the defaults; the switches alternate, and flip
// turns them all, so a switch not written shows in one of the two.
Settings oddSettings(bool flip = false)
{
    Settings s;
    s.UTBaseDir = QStringLiteral("  C:\\Games\\Unreal Tournament ");
    s.LocalPort = 0;
    s.ServerTimeOut = 90;
    s.MinBarWidth = 65;
    s.BuddySound = QStringLiteral("\"C:\\sounds\\hi there.wav\"");
    s.ComputerVoice = QStringLiteral("Mary, in \"Space\"");
    s.SleepTime = 1000;
    s.TitleBarFormat = QStringLiteral(" %servername, ; [%ping]=");
    s.BuddySpeechFormat = QStringLiteral("\"%playername\"");
    s.NgWorldStats = QStringLiteral("stats.example.org");
    s.LoadColorBelowHalf = 0xFFFFFF;
    s.LoadColorHalf = 0;
    s.LoadColorFull = 0x123456;
    s.DefaultFontSize = 72;
    s.ComputerVoiceActive = s.RememberServerCheck = s.Paint3DFrameTeam = s.PaintThickGraph = s.PaintFrameTeam =
        s.CloseOnJoin = flip;
    s.CheckVersionAtStartUp = s.Paint3DFrameGraph = s.PaintThickTeam = s.PaintFrameGraph = s.promptOnRun =
        s.HtmlEnabled = !flip;
    s.RunParams = QStringLiteral("-ini=\"my, odd.ini\" -log");
    s.HtmlTemplate = QStringLiteral("\t tmpl.html");
    s.HtmlOutput = QString();
    s.HtmlOutputDir = QStringLiteral("/var/www/ut/");
    s.HtmlCommand = QStringLiteral("[upload] %outputdir");
    s.HtmlInterval = 0;
    s.HistoryDays = flip ? 1 : 3650;
    return s;
}

TEST(ConfigurationWrite, DialogSettingsReadBackAsWritten)
{
    const QStringList masters{QStringLiteral("\"odd\":28900"), QStringLiteral("http://list.example/ut, all"),
                              QStringLiteral("master.example.com:28900")};
    IniFile ini;
    ini.setBytes("[general]\nLastVersionChecked=170\n");
    for (const bool flip : {false, true}) {
        const Settings written = oddSettings(flip);
        QString error;
        ASSERT_TRUE(Configuration::saveDialogSettings(ini, written, masters, &error)) << qPrintable(error);
        const IniFile again = reread(ini);
        const Settings read = Configuration::loadConfiguration(again, QStringLiteral("/default/"));
        EXPECT_EQ(dialogFields(read), dialogFields(written));
        EXPECT_EQ(read.LastVersionChecked, 170);
        EXPECT_EQ(CommaText::split(again.readString(QStringLiteral("locations"), QStringLiteral("MasterServers"))),
                  masters);
    }
    // A list that starts and ends with a quote is still one value.
    const QStringList quoted{QStringLiteral("\"a\""), QStringLiteral("b c")};
    ASSERT_TRUE(Configuration::saveDialogSettings(ini, oddSettings(), quoted));
    EXPECT_EQ(CommaText::split(reread(ini).readString(QStringLiteral("LOCATIONS"), QStringLiteral("masterservers"))),
              quoted);
}

TEST(ConfigurationRead, HistoryDaysStayWithinOneDayAndTenYears)
{
    const auto daysOf = [](const QByteArray &bytes) {
        IniFile ini;
        ini.setBytes(bytes);
        return Configuration::loadConfiguration(ini, QString()).HistoryDays;
    };
    EXPECT_EQ(daysOf(""), 30);
    EXPECT_EQ(daysOf("[History]\nhistorydays=90\n"), 90);
    EXPECT_EQ(daysOf("[history]\nHistoryDays=0\n"), 1);
    EXPECT_EQ(daysOf("[history]\nHistoryDays=-5\n"), 1);
    EXPECT_EQ(daysOf("[history]\nHistoryDays=99999\n"), 3650);
    // The key lives in its own section, not in general.
    EXPECT_EQ(daysOf("[general]\nHistoryDays=7\n"), 30);
}

TEST(ConfigurationWrite, UnstorableTextIsReportedAndTheRestWritten)
{
    Settings s = oddSettings();
    s.RunParams = QStringLiteral("one\ntwo");
    IniFile ini;
    QString error;
    EXPECT_FALSE(Configuration::saveDialogSettings(ini, s, {QString(2100, QLatin1Char('m'))}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("MasterServers"))) << qPrintable(error);
    const Settings read = Configuration::loadConfiguration(reread(ini), QString());
    EXPECT_EQ(read.RunParams, QString());
    EXPECT_EQ(read.HtmlCommand, s.HtmlCommand);
    EXPECT_FALSE(ini.hasKey(QStringLiteral("locations"), QStringLiteral("MasterServers")));
}

} // namespace
