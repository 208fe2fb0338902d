#pragma once

#include <QDialog>

class ConfigFile;
class FileDialogs;
class QComboBox;
class QLabel;

// "Join an Unreal Tournament server": the command line to start, editable,
// with the last ten executables and parameter texts to choose from.
class RunPromptDialog final : public QDialog
{
    Q_OBJECT
public:
    RunPromptDialog(ConfigFile &config, FileDialogs &files, QWidget *parent = nullptr);

    void setCommand(const QString &executable, const QString &parameters, const QString &address);
    QString executable() const;
    QString parameters() const;

    // Stores both texts at the top of their histories and closes with OK.
    void run();
    void browseExecutable();
    void browseParameterFile();

    QStringList executableHistory() const;
    QStringList parameterHistory() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    static QStringList entries(const QComboBox *box);
    static void setEntries(QComboBox *box, const QStringList &entries);

    ConfigFile &m_config;
    FileDialogs &m_files;
    QComboBox *m_executable;
    QComboBox *m_parameters;
    QLabel *m_server;
};
