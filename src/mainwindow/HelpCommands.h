#pragma once

#include <QObject>

class MessageBoxes;
class QMainWindow;
class UrlOpener;
class VersionCheck;
struct Settings;

// The "Help" menu: the guide, the readme, the version history, links to
// sites of the game's community, and the check for a newer version.
class HelpCommands final : public QObject
{
    Q_OBJECT
public:
    HelpCommands(Settings &settings, MessageBoxes &messages, UrlOpener &urls, QMainWindow *window);
    ~HelpCommands() override;

    // Opens a file the program ships ("help/index.html", "readme.txt", ...).
    void openHelpFile(const QString &relativePath);
    VersionCheck &versionCheck() const { return *m_versionCheck; }
    // Stops the version check; it keeps its last answer for the close.
    void stop();

private:
    void buildMenu(QMainWindow *window);
    void offerDownload(const QString &version, const QString &address);

    Settings &m_settings;
    MessageBoxes &m_messages;
    UrlOpener &m_urls;
    VersionCheck *m_versionCheck;
};
