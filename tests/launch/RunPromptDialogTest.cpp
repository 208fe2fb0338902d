// The run prompt as the user works it: a parameter file browsed for, the
// command line edited, Run clicked.
#include "config/ConfigFile.h"
#include "config/IniFile.h"
#include "launch/GameLaunch.h"
#include "launch/dialogs/RunPromptDialog.h"
#include "support/FakePlatform.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RunPromptDialogTest : public ::testing::Test
{
protected:
    RunPromptDialogTest()
    {
        prompt.setCommand(QStringLiteral("/opt/ut/System/ut-bin"), QStringLiteral("1.2.3.4:7777"),
                          QStringLiteral("1.2.3.4:7777"));
        prompt.show();
    }

    template<typename T>
    T *control(const char *name)
    {
        T *found = prompt.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QStringList startedArguments() const
    {
        return GameLaunch::command(prompt.executable(), prompt.parameters(), {}).arguments;
    }

    QTemporaryDir profile;
    FakePlatform platform;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    RunPromptDialog prompt{config, platform.files};
};

TEST_F(RunPromptDialogTest, ABrowsedParameterFileWithBlanksInItsPathStaysOneArgument)
{
    const QString file = profile.filePath(QStringLiteral("My Games/Unreal \"Tournament\".ini"));
    QDir().mkpath(QFileInfo(file).path());
    QFile(file).open(QIODevice::WriteOnly);
    platform.files.nextFile = file;
    QTest::mouseClick(control<QPushButton>("BitBtn2"), Qt::LeftButton);
    EXPECT_EQ(startedArguments(), (QStringList{QStringLiteral("1.2.3.4:7777"), file}));

    QTest::mouseClick(control<QPushButton>("btn_run"), Qt::LeftButton);
    EXPECT_EQ(prompt.result(), QDialog::Accepted);
    // The history keeps the command line as it was run.
    const IniFile ini = config.read();
    EXPECT_EQ(GameLaunch::command(QStringLiteral("/opt/ut/System/ut-bin"),
                                  ini.readString(QStringLiteral("run_param"), QStringLiteral("0")), {})
                  .arguments,
              (QStringList{QStringLiteral("1.2.3.4:7777"), file}));
}

TEST_F(RunPromptDialogTest, ExecutablesThatDifferInLetterCaseAreKeptApart)
{
    QLineEdit *executable = control<QComboBox>("cb_UTexe")->lineEdit();
    QTest::mouseClick(control<QPushButton>("btn_run"), Qt::LeftButton);
    prompt.show();
    executable->selectAll();
    QTest::keyClicks(executable, QStringLiteral("/opt/UT/System/ut-bin"));
    QTest::mouseClick(control<QPushButton>("btn_run"), Qt::LeftButton);
    const IniFile ini = config.read();
#ifdef Q_OS_WIN
    EXPECT_EQ(ini.readString(QStringLiteral("run_exec"), QStringLiteral("1")), QString());
#else
    EXPECT_EQ(ini.readString(QStringLiteral("run_exec"), QStringLiteral("0")), QStringLiteral("/opt/UT/System/ut-bin"));
    EXPECT_EQ(ini.readString(QStringLiteral("run_exec"), QStringLiteral("1")), QStringLiteral("/opt/ut/System/ut-bin"));
#endif
}

} // namespace
