#include "DiscoveryCommands.h"

#include "config/FavoritesImport.h"
#include "config/IniFile.h"
#include "config/ListStore.h"
#include "config/Settings.h"
#include "core/PacedWalk.h"
#include "core/QueryStack.h"
#include "core/StrToIntOrZero.h"
#include "discovery/MasterRows.h"
#include "discovery/dialogs/AddServersDialog.h"
#include "discovery/dialogs/LanServersDialog.h"
#include "discovery/dialogs/MasterServerDialog.h"
#include "discovery/dialogs/ServerPropertiesDialog.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/UdpSocketFactory.h"

#include <QDir>
#include <QFileInfo>

#include <QWidget>

DiscoveryCommands::DiscoveryCommands(const Context &context, QWidget *window)
    : QObject(window)
    , m_context(context)
    , m_window(window)
{
    if (!m_context.sockets) {
        m_ownSockets = std::make_unique<UdpSocketFactory>();
        m_context.sockets = m_ownSockets.get();
    }
}

DiscoveryCommands::~DiscoveryCommands() = default;

void DiscoveryCommands::openMasterServer()
{
    if (!m_master) {
        m_master = std::make_unique<MasterServerDialog>(
            MasterServerDialog::Context{m_context.config, *m_context.sockets, *m_context.stack.services.clock,
                                        m_context.messages, m_context.settings.LocalPort,
                                        static_cast<quint32>(std::max(0, m_context.settings.SleepTime)),
                                        [this] { return m_context.stack.table.count(); },
                                        [this](const QString &address, int port) { return isListed(address, port); }},
            m_window);
    }
    if (m_master->exec() != QDialog::Accepted)
        return;
    QList<FoundServer> servers;
    const MasterRows &rows = m_master->rows();
    for (int position : rows.checkedPositions()) {
        const MasterRows::Row &row = rows.row(position);
        servers.append({row.address, strToIntOrZero(row.port), row.name});
    }
    addFound(servers, true);
}

void DiscoveryCommands::addServer()
{
    if (!m_addServers) {
        m_addServers = std::make_unique<AddServersDialog>(
            AddServersDialog::Context{*m_context.sockets, *m_context.stack.services.resolver, m_context.messages,
                                      m_context.settings.LocalPort,
                                      static_cast<quint32>(std::max(0, m_context.settings.SleepTime)),
                                      m_context.settings.ServerTimeOut, m_context.lanTargets,
                                      [this](const QString &address, int port) { return isListed(address, port); }},
            m_window);
    }
    if (m_addServers->exec() == QDialog::Accepted)
        addFound(m_addServers->tickedServers(), false);
}

void DiscoveryCommands::findLanServers()
{
    LanServersDialog dialog({*m_context.sockets, m_context.settings.LocalPort, m_context.lanTargets,
                             [this](const QString &address, int port) { return isListed(address, port); }},
                            m_window);
    if (dialog.exec() == QDialog::Accepted)
        addFound(dialog.tickedServers(), false);
}

void DiscoveryCommands::editServer(int slot)
{
    ServerTable &table = m_context.stack.table;
    if (slot < 0 || table.isFree(slot))
        return;
    ServerPropertiesDialog dialog(
        {*m_context.sockets, m_context.messages, m_context.settings.LocalPort, m_context.settings.ServerTimeOut},
        m_window);
    dialog.setServer(table.server(slot)->Host, table.server(slot)->queryPort(), table.entry(slot)->Name);
    if (dialog.exec() != QDialog::Accepted || table.isFree(slot))
        return;
    table.setServerAddress(slot, dialog.address(), dialog.port(), dialog.description());
    m_context.stack.engine.queryServer(slot);
    Q_EMIT serverEdited(slot);
    m_context.lists.storeServerList(true);
}

bool DiscoveryCommands::isListed(const QString &address, int port) const
{
    return m_context.stack.table.slotOfServer(address, port) >= 0;
}

void DiscoveryCommands::addFound(const QList<FoundServer> &servers, bool storeEach)
{
    if (servers.isEmpty()) {
        if (!storeEach)
            m_context.lists.storeServerList(true);
        return;
    }
    QueryStack &stack = m_context.stack;
    auto *walk = new PacedWalk(
        [count = servers.size()](quint64 i) { return i < quint64(count) ? int(i) : -1; },
        [count = servers.size()] {
            QList<quint64> all;
            for (qsizetype i = 0; i < count; ++i)
                all.append(quint64(i));
            return all;
        },
        [this, servers, storeEach, &stack](int i) {
            const FoundServer &server = servers[i];
            // A second row of a server would never hear from it: replies go to one row.
            if (isListed(server.address, server.port)) {
                stack.log.log(
                    QStringLiteral("server %1:%2 is already in the list").arg(server.address).arg(server.port));
                return PacedWalk::Step::Skipped;
            }
            stack.log.log(QStringLiteral("adding server %1:%2").arg(server.address).arg(server.port));
            const int slot = stack.table.addServer(server.address, server.port, server.name);
            if (slot >= ServerTable::kSlotCount)
                return PacedWalk::Step::Stopped;
            stack.engine.queryServer(slot);
            if (storeEach)
                m_context.lists.saveServer(stack.table.positionOfSlot(slot));
            else
                m_additionsUnsaved = true;
            return PacedWalk::Step::Paused;
        },
        this);
    connect(walk, &PacedWalk::finished, this, [this, walk, storeEach] {
        walk->deleteLater();
        if (!storeEach) {
            m_additionsUnsaved = false;
            m_context.lists.storeServerList(true);
        }
    });
    walk->startOverList(stack.engine.sleepTime());
}

void DiscoveryCommands::storePendingAdditions()
{
    if (!m_additionsUnsaved)
        return;
    m_additionsUnsaved = false;
    m_context.lists.storeServerList(true);
}

void DiscoveryCommands::importFromIni()
{
    if (m_importDirectory.isEmpty())
        m_importDirectory = QDir(m_context.settings.UTBaseDir).filePath(QStringLiteral("System"));
    const QString path =
        m_context.files.openFile(QStringLiteral("Select UnrealTournament.ini"),
                                 QStringLiteral("INI Files (*.ini);;All Files (*)"), m_importDirectory);
    if (path.isEmpty())
        return;
    m_importDirectory = QFileInfo(path).absolutePath();

    IniFile gameIni(path);
    QString error;
    if (!gameIni.load(&error)) {
        m_context.messages.showError(error);
        return;
    }
    const std::optional<QStringList> favorites = FavoritesImport::readFavorites(gameIni);
    if (!favorites) {
        m_context.messages.showError(QStringLiteral("No favorites found."));
        return;
    }
    m_context.stack.log.log(QStringLiteral("Found %1 servers in the UnrealTournament.ini").arg(favorites->size()));
    QList<quint64> added;
    for (const FavoritesImport::Favorite &f :
         FavoritesImport::serversToAdd(*favorites, m_context.stack.table, m_context.stack.log)) {
        const int slot = m_context.stack.table.addServer(f.address, f.port, f.name);
        if (slot >= ServerTable::kSlotCount)
            break;
        added.append(m_context.stack.table.itemIdAt(m_context.stack.table.positionOfSlot(slot)));
    }
    if (!added.isEmpty())
        m_context.lists.storeServerList(true);
    queryImportedServers(added, static_cast<int>(favorites->size()));
}

void DiscoveryCommands::queryImportedServers(const QList<quint64> &items, int found)
{
    // Each import walks its own servers, so a second one never waits for the first.
    PacedWalk *walk = m_context.stack.engine.createQueryWalk(this);
    connect(walk, &PacedWalk::finished, this, [this, walk, found] {
        walk->deleteLater();
        m_context.messages.showInformation(
            QStringLiteral("Found %1 favorites in the ini file.\nOnly added when not already in the list.").arg(found));
    });
    walk->start(items, m_context.stack.engine.sleepTime());
}
