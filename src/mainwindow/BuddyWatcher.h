#pragma once

#include "core/BuddyLocator.h"
#include "core/SpeechComponent.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class BuddiesPage;
class DesktopNotifier;
class HistorySource;
class ListStore;
class MessageBoxes;
class PlayersView;
class QAction;
class ServerTable;
class SoundPlayer;
class TrayBlinker;
struct Settings;

// Watches the selected server for buddies: after each refill of its players
// it compares them with the buddy list, marks who is there, and announces
// who joined with a sound, a blinking tray icon, a spoken sentence and a
// desktop notification. Replies from the other checked servers tell where
// the buddies are: who joined one of them is announced with its name, and
// the buddy list shows where each buddy is or was last seen. It also keeps
// the selected player name that the players view and the buddy list share,
// with their context menu entries.
class BuddyWatcher final : public QObject
{
    Q_OBJECT
public:
    struct Context
    {
        ListStore &lists;
        const ServerTable &table;
        MessageBoxes &messages;
        Settings &settings;
        TrayBlinker &tray;
        SpeechComponent &speech;
        SoundPlayer &sound;
        DesktopNotifier &notifier;
        // The slot of the selected server, -1 for none.
        std::function<int()> selectedSlot;
        // The local time now, for when a buddy was seen.
        std::function<QDateTime()> now;
    };

    BuddyWatcher(const Context &context, BuddiesPage *page, PlayersView *players, QObject *parent = nullptr);

    // Compares the players view with the buddy list and announces who joined.
    void checkBuddies();
    // The engine decoded a reply from the server in this slot.
    void replyDecoded(int slot, const QByteArray &datagram);
    // The player scan asked every checked server.
    void scanFinished();
    // Where buddies not seen in this run were seen before; none: nowhere.
    // Not owned; it must outlive the watcher or be replaced first.
    void setHistory(HistorySource *history);
    // Speaks the speech buffer; the window does so when it becomes active.
    void speakBuffer();
    // The debug page's "Say": the text replaces the buffer and is spoken.
    void say(const QString &text);

    QString selectedPlayer() const { return m_selectedPlayer; }
    void setSelectedPlayer(const QString &name);
    // "Look-up ngWorldStats" of both context menus.
    QAction *lookUpStatsAction() const { return m_lookUpStats; }

Q_SIGNALS:
    // "Look-up ngWorldStats" for the selected player name.
    void lookUpStatsRequested(const QString &name);
    // A double click on a buddy: select the server they are or were last on.
    void serverRequested(const QString &host, int queryPort);

private:
    void addBuddy(const QString &name);
    void removeBuddy(int index);
    void announce(const QStringList &joined, const QString &sentence, int slot);
    void announceElsewhere(const BuddyLocator::Update &update);
    void speak(SpeechComponent::Result result);
    void showPlaces();

    Context m_context;
    BuddiesPage *m_page;
    PlayersView *m_players;
    BuddyLocator m_locator;
    QString m_selectedPlayer;
    QAction *m_playersCaption;
    QAction *m_buddiesCaption;
    QAction *m_addToBuddies;
    QAction *m_lookUpStats;
    QAction *m_sayName;
    bool m_bufferErrorShown = false;
};
