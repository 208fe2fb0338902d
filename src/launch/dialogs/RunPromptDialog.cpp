#include "RunPromptDialog.h"

#include "config/ConfigFile.h"
#include "launch/GameLaunch.h"
#include "platform/FileDialogs.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString kExecutables = QStringLiteral("run_exec");
const QString kParameters = QStringLiteral("run_param");

QComboBox *newHistoryBox(const char *name, const QString &accessibleName, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(12);
    box->setMinimumContentsLength(40);
    box->setAccessibleName(accessibleName);
    return box;
}

QPushButton *newBrowseButton(const char *name, const QString &accessibleName, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    button->setAutoDefault(false);
    return button;
}

} // namespace

RunPromptDialog::RunPromptDialog(ConfigFile &config, FileDialogs &files, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_config(config)
    , m_files(files)
    , m_executable(newHistoryBox("cb_UTexe", QStringLiteral("the executable"), this))
    , m_parameters(newHistoryBox("cb_Params", QStringLiteral("paramters"), this))
    , m_server(new QLabel(this))
{
    setObjectName(QStringLiteral("Tfrm_runprompt"));
    setWindowTitle(QStringLiteral("Join an Unreal Tournament server"));
    m_server->setObjectName(QStringLiteral("lbl_UTServer"));
    QFont italic = m_server->font();
    italic.setItalic(true);
    m_server->setFont(italic);

    QPushButton *browseExecutable = newBrowseButton("BitBtn1", QStringLiteral("Browse for the executable"), this);
    QPushButton *browseFile = newBrowseButton("BitBtn2", QStringLiteral("Browse for a file to add"), this);
    auto *run = new QPushButton(QStringLiteral("Run"), this);
    run->setObjectName(QStringLiteral("btn_run"));
    QFont bold = run->font();
    bold.setBold(true);
    run->setFont(bold);
    run->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("BitBtn4"));
    cancel->setAutoDefault(false);
    connect(browseExecutable, &QPushButton::clicked, this, &RunPromptDialog::browseExecutable);
    connect(browseFile, &QPushButton::clicked, this, &RunPromptDialog::browseParameterFile);
    connect(run, &QPushButton::clicked, this, &RunPromptDialog::run);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *executableLabel = new QLabel(QStringLiteral("the &executable:"), this);
    executableLabel->setBuddy(m_executable);
    auto *parametersLabel = new QLabel(QStringLiteral("&paramters"), this);
    parametersLabel->setBuddy(m_parameters);
    auto *grid = new QGridLayout;
    grid->addWidget(executableLabel, 0, 0);
    grid->addWidget(m_executable, 0, 1);
    grid->addWidget(browseExecutable, 0, 2);
    grid->addWidget(parametersLabel, 1, 0);
    grid->addWidget(m_parameters, 1, 1);
    grid->addWidget(browseFile, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(run);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("You are about to join:"), this));
    layout->addWidget(m_server);
    layout->addWidget(new QLabel(QStringLiteral("You can edit the command line before joining the server"), this));
    layout->addLayout(grid);
    layout->addLayout(buttons);
    run->setFocus();
}

void RunPromptDialog::setCommand(const QString &executable, const QString &parameters, const QString &address)
{
    m_executable->setEditText(executable);
    m_parameters->setEditText(parameters);
    m_server->setText(address);
}

QString RunPromptDialog::executable() const
{
    return m_executable->currentText();
}

QString RunPromptDialog::parameters() const
{
    return m_parameters->currentText();
}

QStringList RunPromptDialog::executableHistory() const
{
    return entries(m_executable);
}

QStringList RunPromptDialog::parameterHistory() const
{
    return entries(m_parameters);
}

QStringList RunPromptDialog::entries(const QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list.append(box->itemText(i));
    return list;
}

void RunPromptDialog::setEntries(QComboBox *box, const QStringList &entries)
{
    const QString text = box->currentText();
    box->clear();
    box->addItems(entries);
    // The texts the caller set stay as they are.
    box->setEditText(text);
}

void RunPromptDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const IniFile ini = m_config.read();
    setEntries(m_executable, GameLaunch::readHistory(ini, kExecutables));
    setEntries(m_parameters, GameLaunch::readHistory(ini, kParameters));
}

void RunPromptDialog::run()
{
    const QStringList executables = GameLaunch::promote(entries(m_executable), executable());
    const QStringList parameterTexts = GameLaunch::promote(entries(m_parameters), parameters());
    setEntries(m_executable, executables);
    setEntries(m_parameters, parameterTexts);
    m_config.write([&](IniFile &ini, QString *error) {
        return GameLaunch::writeHistory(ini, kExecutables, executables, error)
               && GameLaunch::writeHistory(ini, kParameters, parameterTexts, error);
    });
    accept();
}

void RunPromptDialog::browseExecutable()
{
    const QString chosen = m_files.openFile(QStringLiteral("the executable"),
                                            QStringLiteral("Programs (*.exe *.bat ut-bin*);;Configuration files "
                                                           "(*.ini *.cfg);;All files (*)"),
                                            executable());
    if (!chosen.isEmpty())
        m_executable->setEditText(chosen);
}

void RunPromptDialog::browseParameterFile()
{
    const QString chosen = m_files.openFile(QStringLiteral("paramters"),
                                            QStringLiteral("Configuration files (*.ini *.cfg);;Programs (*.exe "
                                                           "*.bat ut-bin*);;All files (*)"),
                                            QString());
    if (!chosen.isEmpty())
        m_parameters->setEditText(GameLaunch::withArgument(parameters(), QFileInfo(chosen).absoluteFilePath()));
}
