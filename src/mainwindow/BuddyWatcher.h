#pragma once

#include "core/SpeechComponent.h"

#include <QObject>
#include <QString>

#include <functional>

class BuddiesPage;
class DesktopNotifier;
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
// desktop notification. It also keeps the selected player name that the
// players view and the buddy list share, with their context menu entries.
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
    };

    BuddyWatcher(const Context &context, BuddiesPage *page, PlayersView *players, QObject *parent = nullptr);

    // Compares the players view with the buddy list and announces who joined.
    void checkBuddies();
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

private:
    void addBuddy(const QString &name);
    void removeBuddy(int index);
    void announce(const QStringList &joined, const QString &sentence, int slot);
    void speak(SpeechComponent::Result result);

    Context m_context;
    BuddiesPage *m_page;
    PlayersView *m_players;
    QString m_selectedPlayer;
    QAction *m_playersCaption;
    QAction *m_buddiesCaption;
    QAction *m_addToBuddies;
    QAction *m_lookUpStats;
    QAction *m_sayName;
    bool m_bufferErrorShown = false;
};
