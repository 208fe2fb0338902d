#include "StatsPage.h"

#include "ServerInfoView.h"

#include "config/Settings.h"
#include "platform/MessageBoxes.h"
#include "platform/UrlOpener.h"
#include "stats/PageFetcher.h"
#include "stats/RankingModel.h"
#include "stats/RankingPage.h"
#include "stats/RankingRun.h"
#include "stats/StatsFile.h"
#include "stats/dialogs/AddStatsDialog.h"

#include <QAction>
#include <QDir>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

using Stats::RankingKind;

namespace {

struct ListNames
{
    QString title;
    QString view;
    QString update;
    QString add;
    QString menuPrefix;
    QString site;
    QString noSelection;
};

ListNames namesOf(RankingKind kind)
{
    if (kind == RankingKind::Server)
        return {QStringLiteral("Server rankings"),
                QStringLiteral("lv_ServerStats"),
                QStringLiteral("btn_UpdateServers"),
                QStringLiteral("btn_AddServer"),
                QStringLiteral("mi_S"),
                QStringLiteral("mi_gotongWorldStatswebsite1"),
                QStringLiteral("Please select servers from the list to update.")};
    return {QStringLiteral("Player rankings"),
            QStringLiteral("lv_PlayerStats"),
            QStringLiteral("btn_UpdatePlayer"),
            QStringLiteral("btn_AddPlayer"),
            QStringLiteral("mi_P"),
            QStringLiteral("mi_gotongWorldStatssite2"),
            QStringLiteral("Please select players from the list to update.")};
}

QPushButton *newButton(const QString &text, const QString &name, const QString &accessibleName, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    return button;
}

} // namespace

StatsPage::StatsPage(const Context &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_servers(new Stats::RankingModel(RankingKind::Server, this))
    , m_players(new Stats::RankingModel(RankingKind::Player, this))
{
    setObjectName(QStringLiteral("ts_Stats"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildList(RankingKind::Server), 1);
    layout->addWidget(buildList(RankingKind::Player), 1);
    m_run = new Stats::RankingRun({m_servers, m_serverView->selectionModel()},
                                  {m_players, m_playerView->selectionModel()}, this);
    m_run->setHost(m_context.host);
    connect(m_run, &Stats::RankingRun::fetching, this, &StatsPage::setFetching);
    connect(m_run, &Stats::RankingRun::completed, this, &StatsPage::saveStatsFile);
    connect(m_run, &Stats::RankingRun::failed, this,
            [this](const QString &message) { m_context.messages.showError(message); });
    for (Stats::RankingModel *list : {m_servers, m_players}) {
        connect(list, &QAbstractItemModel::rowsInserted, this, &StatsPage::saveStatsFile);
        connect(list, &QAbstractItemModel::rowsRemoved, this, &StatsPage::saveStatsFile);
        connect(list, &QAbstractItemModel::layoutChanged, this, &StatsPage::saveStatsFile);
    }
}

StatsPage::~StatsPage() = default;

QWidget *StatsPage::buildList(RankingKind kind)
{
    const ListNames names = namesOf(kind);
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    auto *title = new QLabel(names.title, box);
    bar->addWidget(title, 1);
    QPushButton *update =
        newButton(QStringLiteral("&update"), names.update, names.title + QStringLiteral(": update"), box);
    QPushButton *add = newButton(QStringLiteral("&add..."), names.add, names.title + QStringLiteral(": add"), box);
    if (kind == RankingKind::Player) {
        update->setText(QStringLiteral("u&pdate"));
        add->setText(QStringLiteral("a&dd..."));
    }
    bar->addWidget(update);
    bar->addWidget(add);
    layout->addLayout(bar);

    auto *view = new QTreeView(box);
    view->setObjectName(names.view);
    view->setAccessibleName(names.title);
    view->setModel(&model(kind));
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    title->setBuddy(view);
    QHeaderView *header = view->header();
    header->setAccessibleName(names.title + QStringLiteral(" columns"));
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    const int widths[Stats::RankingModel::kColumnCount] = {18, 170, 62, 40, 56, 56, 64, 64};
    for (int column = 0; column < Stats::RankingModel::kColumnCount; ++column)
        header->resizeSection(column, widths[column]);
    // Wide enough for ">>" in the desktop's font.
    header->resizeSection(Stats::MarkerColumn,
                          std::max(widths[0], view->fontMetrics().horizontalAdvance(QStringLiteral(">>")) + 12));
    header->setSectionResizeMode(Stats::NameColumn, QHeaderView::Stretch);
    connect(header, &QHeaderView::sectionClicked, this, [this, kind](int column) { model(kind).sortByClick(column); });
    layout->addWidget(view, 1);
    (kind == RankingKind::Server ? m_serverView : m_playerView) = view;

    connect(update, &QPushButton::clicked, this, [this, kind] { updateSelected(kind); });
    connect(add, &QPushButton::clicked, this, [this, kind] { addEntry(kind); });
    addMenu(view, kind);
    return box;
}

void StatsPage::addMenu(QTreeView *view, RankingKind kind)
{
    const ListNames names = namesOf(kind);
    const auto action = [view](const QString &text, const QString &name) {
        auto *item = new QAction(text, view);
        item->setObjectName(name);
        view->addAction(item);
        return item;
    };
    QAction *update = action(QStringLiteral("Update"), names.menuPrefix + QStringLiteral("Update"));
    QAction *add = action(QStringLiteral("Add"), names.menuPrefix + QStringLiteral("Add"));
    QAction *remove = action(QStringLiteral("Delete"), names.menuPrefix + QStringLiteral("Delete"));
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    action(QString(), names.menuPrefix + QStringLiteral("Line"))->setSeparator(true);
    QAction *site = action(QStringLiteral("go to ngWorldStats site"), names.site);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(update, &QAction::triggered, this, [this, kind] { updateSelected(kind); });
    connect(add, &QAction::triggered, this, [this, kind] { addEntry(kind); });
    connect(remove, &QAction::triggered, this, [this, kind] { deleteSelected(kind); });
    connect(site, &QAction::triggered, this, [this, kind] { openSite(kind); });
}

Stats::RankingModel &StatsPage::model(RankingKind kind) const
{
    return kind == RankingKind::Server ? *m_servers : *m_players;
}

QTreeView *StatsPage::view(RankingKind kind) const
{
    return kind == RankingKind::Server ? m_serverView : m_playerView;
}

int StatsPage::firstSelectedRow(RankingKind kind) const
{
    return Stats::firstSelectedRow(*view(kind)->selectionModel());
}

void StatsPage::setHost(const QString &host)
{
    m_context.host = host;
    m_run->setHost(host);
    if (m_dialog)
        m_dialog->setHost(host);
}

void StatsPage::stop()
{
    m_run->stop();
    if (m_dialog)
        m_dialog->reject();
}

void StatsPage::updateSelected(RankingKind kind)
{
    if (m_run->isRunning())
        return;
    if (!view(kind)->selectionModel()->hasSelection()) {
        m_context.messages.showError(namesOf(kind).noSelection);
        return;
    }
    m_run->start(kind);
}

void StatsPage::deleteSelected(RankingKind kind)
{
    // Not while a page is on its way for one of the rows.
    const int row = firstSelectedRow(kind);
    if (row < 0 || m_run->fetcher().isBusy())
        return;
    const QString name = model(kind).entry(row).name;
    if (m_context.messages.confirm(
            QStringLiteral("Are you sure you that you want to delete \"%1\" from the ranking list ?").arg(name)))
        model(kind).removeEntry(row);
}

void StatsPage::openSite(RankingKind kind)
{
    const int row = firstSelectedRow(kind);
    if (row < 0)
        return;
    const Stats::RankingEntry &entry = model(kind).entry(row);
    // Always the public service, whichever host the lists are refreshed from.
    const QString host = Settings{}.NgWorldStats;
    const QUrl url(QStringLiteral("http://") + host + Stats::displayPath(entry.gameMode, entry.id, kind));
    if (!url.isValid() || !m_context.urls.open(url))
        m_context.messages.showError(QStringLiteral("Cannot open %1").arg(url.toString()));
}

void StatsPage::setFetching(bool active)
{
    m_serverView->setEnabled(!active);
    m_playerView->setEnabled(!active);
    Q_EMIT fetching(active);
}

AddStatsDialog &StatsPage::dialog(RankingKind kind)
{
    if (!m_dialog) {
        // Kept for the rest of the run, so its fields keep what was typed.
        m_dialog = new AddStatsDialog({m_context.messages}, window());
        m_dialog->setHost(m_context.host);
        connect(m_dialog, &QDialog::accepted, this, &StatsPage::addFromDialog);
    }
    m_dialog->setKind(kind);
    return *m_dialog;
}

void StatsPage::addEntry(RankingKind kind)
{
    dialog(kind).open();
}

void StatsPage::lookUpPlayer(const QString &name)
{
    AddStatsDialog &search = dialog(RankingKind::Player);
    search.prefillPlayer(name);
    search.open();
}

void StatsPage::lookUpServer(const QString &name, const QString &address)
{
    AddStatsDialog &search = dialog(RankingKind::Server);
    search.prefillServer(name, address);
    search.open();
}

void StatsPage::addLookUpMenu(ServerInfoView *serverInfo)
{
    auto *lookUp = new QAction(QStringLiteral("Look-up ngWorldStats"), serverInfo);
    lookUp->setObjectName(QStringLiteral("mi_Looupstats"));
    serverInfo->addAction(lookUp);
    serverInfo->setContextMenuPolicy(Qt::ActionsContextMenu);
    // The first row holds the server's name, the second its address.
    connect(lookUp, &QAction::triggered, this, [this, serverInfo] {
        if (serverInfo->topLevelItemCount() > 0)
            lookUpServer(serverInfo->value(0), serverInfo->value(1));
    });
}

void StatsPage::addFromDialog()
{
    if (m_dialog->selectedId().isEmpty())
        return;
    model(m_dialog->kind())
        .addRankingEntry({m_dialog->selectedName(), m_dialog->selectedId(), m_dialog->gameMode(), {}, {}, {}, {}});
}

void StatsPage::loadStatsFile()
{
    if (m_loaded)
        return;
    QString error;
    const std::optional<Stats::StatsLists> lists = Stats::loadStatsFile(m_context.filePath, &error);
    if (!lists) {
        m_unreadFile = true;
        m_loaded = true;
        m_context.messages.showError(error);
        return;
    }
    for (const Stats::RankingEntry &entry : lists->servers)
        m_servers->addRankingEntry(entry);
    for (const Stats::RankingEntry &entry : lists->players)
        m_players->addRankingEntry(entry);
    m_loaded = true;
}

void StatsPage::saveStatsFile()
{
    if (!m_loaded)
        return;
    QString error;
    if (m_unreadFile) {
        const std::optional<QString> aside = Stats::setStatsFileAside(m_context.filePath, &error);
        if (!aside) {
            m_context.messages.showError(
                QStringLiteral("The statistics file could not be read at start and cannot be moved aside, so the "
                               "rankings lists are not saved.\n%1")
                    .arg(error));
            return;
        }
        m_unreadFile = false;
        if (!aside->isEmpty())
            m_context.messages.showWarning(
                QStringLiteral("The statistics file could not be read at start; it is kept as \"%1\" and the "
                               "rankings lists are saved in a new file.")
                    .arg(QDir::toNativeSeparators(*aside)));
    }
    if (!Stats::saveStatsFile(m_context.filePath, {m_servers->entries(), m_players->entries()}, &error))
        m_context.messages.showError(error);
}
