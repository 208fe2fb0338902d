#include "BuddyWatcher.h"

#include "BuddiesPage.h"
#include "PlayersView.h"
#include "TrayBlinker.h"
#include "config/ListStore.h"
#include "config/Settings.h"
#include "core/BuddyCheck.h"
#include "core/ServerTable.h"
#include "history/HistorySource.h"
#include "platform/DesktopNotifier.h"
#include "platform/MessageBoxes.h"
#include "platform/SoundPlayer.h"

#include <QAction>

namespace {

QAction *newCaption(QObject *parent)
{
    auto *caption = new QAction(QStringLiteral("(no player selected)"), parent);
    caption->setEnabled(false);
    return caption;
}

} // namespace

BuddyWatcher::BuddyWatcher(const Context &context, BuddiesPage *page, PlayersView *players, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_page(page)
    , m_players(players)
    , m_playersCaption(newCaption(this))
    , m_buddiesCaption(newCaption(this))
    , m_addToBuddies(new QAction(QStringLiteral("Add to buddy list"), this))
    , m_lookUpStats(new QAction(QStringLiteral("Look-up ngWorldStats"), this))
    , m_sayName(new QAction(QStringLiteral("Say name"), this))
{
    m_addToBuddies->setObjectName(QStringLiteral("mi_AddToBuddies"));
    m_lookUpStats->setObjectName(QStringLiteral("mi_LookUpStats"));
    m_sayName->setObjectName(QStringLiteral("mi_SayName"));
    m_players->setMenuActions({m_playersCaption, m_addToBuddies, m_lookUpStats, m_sayName});
    m_page->setMenuActions({m_buddiesCaption, m_lookUpStats, m_sayName});
    m_page->setNames(m_context.lists.buddies().names());
    m_locator.setBuddies(m_page->names());
    m_context.speech.buffer() = {QStringLiteral("Welcome to Quorvelin.")};

    connect(m_addToBuddies, &QAction::triggered, this, [this] {
        if (!m_selectedPlayer.isEmpty())
            addBuddy(m_selectedPlayer);
    });
    connect(m_lookUpStats, &QAction::triggered, this, [this] { Q_EMIT lookUpStatsRequested(m_selectedPlayer); });
    connect(m_sayName, &QAction::triggered, this,
            [this] { speak(m_context.speech.speak(BuddyCheck::speakableName(m_selectedPlayer))); });
    connect(m_players, &PlayersView::playerSelected, this, &BuddyWatcher::setSelectedPlayer);
    connect(m_page, &BuddiesPage::buddyClicked, this, &BuddyWatcher::setSelectedPlayer);
    connect(m_page, &BuddiesPage::addRequested, this, &BuddyWatcher::addBuddy);
    connect(m_page, &BuddiesPage::removeRequested, this, &BuddyWatcher::removeBuddy);
    connect(m_page, &BuddiesPage::markToggled, this, &BuddyWatcher::checkBuddies);
    connect(m_page, &BuddiesPage::buddyDoubleClicked, this, [this](const QString &name) {
        if (const std::optional<BuddyLocator::Sighting> sighting = m_locator.sighting(name))
            Q_EMIT serverRequested(sighting->place.host, sighting->place.queryPort);
    });
}

void BuddyWatcher::setSelectedPlayer(const QString &name)
{
    m_selectedPlayer = name;
    const QString caption = name.isEmpty() ? QStringLiteral("(no player selected)") : name;
    m_playersCaption->setText(caption);
    m_buddiesCaption->setText(caption);
}

void BuddyWatcher::addBuddy(const QString &name)
{
    if (!m_context.lists.addBuddy(name))
        return;
    m_page->setNames(m_context.lists.buddies().names());
    m_locator.setBuddies(m_page->names());
    showPlaces();
}

void BuddyWatcher::removeBuddy(int index)
{
    if (!m_context.lists.removeBuddy(index))
        return;
    m_page->setNames(m_context.lists.buddies().names());
    m_locator.setBuddies(m_page->names());
    showPlaces();
}

void BuddyWatcher::checkBuddies()
{
    m_context.speech.buffer().clear();
    QStringList players;
    for (const PlayerRows::Row &row : m_players->rows())
        players.append(row.name);
    const int slot = m_context.selectedSlot();
    const QString serverName = slot >= 0 ? m_context.table.entry(slot)->Name : QString();
    const BuddyCheck::Result result =
        BuddyCheck::check(players, m_page->names(), m_page->marks(), m_context.settings.BuddySpeechFormat, serverName);
    m_page->setMarks(result.marks);
    if (!result.joined.isEmpty())
        announce(result.joined, result.sentence, slot);
}

void BuddyWatcher::announce(const QStringList &joined, const QString &sentence, int slot)
{
    // The setting keeps its value without quotes, as the file may quote it.
    m_context.settings.BuddySound = BuddyCheck::soundPath(m_context.settings.BuddySound);
    for (qsizetype i = 0; i < joined.size(); ++i) {
        m_context.tray.startBlink(4);
        m_context.sound.playWave(m_context.settings.BuddySound);
    }
    if (m_context.settings.BuddyNotification) {
        const QString server = slot >= 0 ? m_context.table.entry(slot)->Name : QString();
        m_context.notifier.notify(QStringLiteral("Quorvelin"), BuddyLocator::joinedText(joined, server));
    }
    speak(m_context.speech.speak(sentence));
}

void BuddyWatcher::replyDecoded(int slot, const QByteArray &datagram)
{
    const TUTServer *record = m_context.table.server(slot);
    if (!record)
        return;
    const int position = m_context.table.positionOfSlot(slot);
    const bool selected = slot == m_context.selectedSlot();
    if (!selected && (position < 0 || !m_context.table.isChecked(position)))
        return;
    const BuddyLocator::Place place{record->Host, record->queryPort(), m_context.table.entry(slot)->Name};
    const BuddyLocator::Update update = m_locator.replyDecoded(slot, place, *record, datagram, m_context.now());
    if (update.placesChanged)
        showPlaces();
    // The selected server's joins are announced by checkBuddies.
    if (!update.joined.isEmpty() && !selected)
        announceElsewhere(update);
}

void BuddyWatcher::announceElsewhere(const BuddyLocator::Update &update)
{
    if (m_context.settings.BuddyNotification)
        m_context.notifier.notify(QStringLiteral("Quorvelin"), update.notification);
    // Without a voice this stays silent: no box for what nobody asked for.
    m_context.speech.speak(update.sentence);
}

void BuddyWatcher::scanFinished()
{
    m_locator.scanFinished();
    // Also when nothing ended: "14:05" becomes a date at midnight.
    showPlaces();
}

void BuddyWatcher::setHistory(HistorySource *history)
{
    if (!history) {
        m_locator.setStoredSightings({});
    } else {
        m_locator.setStoredSightings([history](const QString &buddy) -> std::optional<BuddyLocator::Sighting> {
            const std::optional<PlayerSighting> stored = history->lastSighting(buddy);
            if (!stored)
                return std::nullopt;
            const QString name = stored->serverName.isEmpty() ? stored->server.key() : stored->serverName;
            return BuddyLocator::Sighting{{stored->server.host, stored->server.port, name},
                                          QDateTime::fromSecsSinceEpoch(stored->lastSeen),
                                          false};
        });
    }
    showPlaces();
}

void BuddyWatcher::showPlaces()
{
    const QDateTime now = m_context.now();
    QStringList places;
    for (const QString &name : m_page->names()) {
        const std::optional<BuddyLocator::Sighting> sighting = m_locator.sighting(name);
        places.append(sighting ? BuddyLocator::placeText(*sighting, now) : QString());
    }
    m_page->setPlaces(places);
}

void BuddyWatcher::speakBuffer()
{
    const SpeechComponent::Result result = m_context.speech.speakBuffer();
    // Said once: activation comes again each time the box closes.
    if (result == SpeechComponent::Result::NoVoice && m_bufferErrorShown)
        return;
    if (result == SpeechComponent::Result::NoVoice)
        m_bufferErrorShown = true;
    speak(result);
}

void BuddyWatcher::say(const QString &text)
{
    m_context.speech.buffer() = {text};
    speak(m_context.speech.speakBuffer());
}

void BuddyWatcher::speak(SpeechComponent::Result result)
{
    if (result == SpeechComponent::Result::NoVoice)
        m_context.messages.showError(QStringLiteral("Speech Engine not selected"));
}
