#include "AddStatsDialog.h"

#include "core/PacedWalk.h"
#include "platform/MessageBoxes.h"
#include "stats/PageFetcher.h"
#include "stats/SearchPage.h"
#include "stats/StatsSearch.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStackedLayout>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

constexpr int kNameColumn = 0;
constexpr int kIdColumn = 1;
// Matches are listed this many at a time, the event loop coming round
// between two batches, so that a long list keeps the dialog answering.
constexpr qsizetype kListingBatch = 2000;

QLineEdit *newField(const char *name, const QString &accessibleName, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setAccessibleName(accessibleName);
    return field;
}

QRadioButton *newRadio(const QString &caption, const char *name, const QString &accessibleName, QWidget *parent)
{
    auto *radio = new QRadioButton(caption, parent);
    radio->setObjectName(QString::fromLatin1(name));
    radio->setAccessibleName(accessibleName);
    return radio;
}

QPushButton *newButton(const QString &caption, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return button;
}

QLabel *newPanel(const char *name, const QString &accessibleName, int width, QWidget *parent)
{
    auto *panel = new QLabel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setAccessibleName(accessibleName);
    panel->setFixedWidth(width);
    return panel;
}

} // namespace

AddStatsDialog::AddStatsDialog(const Context &context, QWidget *parent)
    : BusyDialog(parent)
    , m_context(context)
    , m_search(new Stats::StatsSearch(this))
    , m_listing(new PacedWalk([this] { return listBatch() ? PacedWalk::Step::Paused : PacedWalk::Step::Done; }, this))
{
    connect(m_listing, &PacedWalk::finished, this, &AddStatsDialog::listingDone);
    setObjectName(QStringLiteral("Tfrm_AddStats"));
    setWindowTitle(QStringLiteral("Add ngWorldStats"));
    buildControls();
    connectSearch();
    setKind(Stats::RankingKind::Server);
}

AddStatsDialog::~AddStatsDialog() = default;

void AddStatsDialog::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buildSearchFields());
    buildMatchList();

    auto *buttonHolder = new QWidget(this);
    m_searchOrOk = new QStackedLayout(buttonHolder);
    m_searchButton = newButton(QStringLiteral("&Search"), "btn_Src", buttonHolder);
    m_ok = newButton(QStringLiteral("OK"), "btn_Ok", buttonHolder);
    m_searchOrOk->addWidget(m_searchButton);
    m_searchOrOk->addWidget(m_ok);
    m_searchOrOk->setCurrentWidget(m_searchButton);
    m_cancel = newButton(QStringLiteral("Cancel"), "btn_Cancel", this);
    connect(m_searchButton, &QPushButton::clicked, this, &AddStatsDialog::startSearch);
    connect(m_ok, &QPushButton::clicked, this, &AddStatsDialog::confirm);

    QHBoxLayout *buttons = newButtonRow({}, buttonHolder, m_cancel);

    layout->addWidget(m_matches);
    layout->addLayout(buttons);
    layout->addWidget(buildStatusBar());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The keyboard walks the dialog top to bottom.
    const QList<QWidget *> order = {m_byId, m_id,       m_byName,  m_name,         m_byAddress, m_address,
                                    m_kind, m_gameMode, m_matches, m_searchButton, m_ok,        m_cancel};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QLayout *AddStatsDialog::buildSearchFields()
{
    m_byId = newRadio(QStringLiteral("ngWorldStats &ID"), "rb_ID", QStringLiteral("Search by ngWorldStats ID"), this);
    m_byName = newRadio(QStringLiteral("(exact) &name"), "rb_Name", QStringLiteral("Search by exact name"), this);
    m_byAddress = newRadio(QStringLiteral("I&P"), "rb_IP", QStringLiteral("Search by IP address"), this);
    m_id = newField("ed_ID", QStringLiteral("ngWorldStats ID"), this);
    m_name = newField("ed_Name", QStringLiteral("Exact name"), this);
    m_address = newField("ed_IP", QStringLiteral("IP address"), this);
    m_id->setMaxLength(29);
    m_id->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_id));
    m_address->setMaxLength(15);
    m_address->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), m_address));
    m_byName->setChecked(true);

    const std::pair<QRadioButton *, QLineEdit *> pairs[] = {
        {m_byId, m_id}, {m_byName, m_name}, {m_byAddress, m_address}};
    auto *fields = new QGridLayout;
    int row = 0;
    for (const auto &[radio, edit] : pairs) {
        QLineEdit *field = edit;
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, &AddStatsDialog::fieldEdited);
        connect(field, &QLineEdit::returnPressed, this, &AddStatsDialog::startSearch);
        // A radio chosen by the user, with the mouse or its mnemonic, leads on to its field.
        connect(radio, &QRadioButton::clicked, field, [field] { field->setFocus(Qt::OtherFocusReason); });
        fields->addWidget(radio, row, 0);
        fields->addWidget(field, row, 1);
        ++row;
    }

    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("cb_SP"));
    m_kind->setAccessibleName(QStringLiteral("Search for"));
    m_kind->addItems({QStringLiteral("Server"), QStringLiteral("Player")});
    m_kind->setEnabled(false);
    m_gameMode = new QComboBox(this);
    m_gameMode->setObjectName(QStringLiteral("cb_GM"));
    m_gameMode->setAccessibleName(QStringLiteral("Game type"));
    m_gameMode->addItems({QStringLiteral("DM"), QStringLiteral("CTF"), QStringLiteral("DOM"), QStringLiteral("TEAM"),
                          QStringLiteral("LMS"), QStringLiteral("ASS"), QStringLiteral("MOD")});
    m_gameMode->setCurrentIndex(-1);
    auto *gameModeLabel = new QLabel(QStringLiteral("&Game type:"), this);
    gameModeLabel->setBuddy(m_gameMode);

    auto *choices = new QHBoxLayout;
    choices->addWidget(m_kind);
    choices->addStretch();
    choices->addWidget(gameModeLabel);
    choices->addWidget(m_gameMode);

    auto *layout = new QVBoxLayout;
    layout->addLayout(fields);
    layout->addLayout(choices);
    return layout;
}

void AddStatsDialog::buildMatchList()
{
    m_matches = new QTreeWidget(this);
    m_matches->setObjectName(QStringLiteral("lv_Items"));
    m_matches->setAccessibleName(QStringLiteral("Matches"));
    m_matches->setColumnCount(2);
    m_matches->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("ID")});
    m_matches->headerItem()->setTextAlignment(kIdColumn, Qt::AlignCenter);
    m_matches->setColumnWidth(kNameColumn, 246);
    m_matches->setColumnWidth(kIdColumn, 70);
    m_matches->header()->setStretchLastSection(false);
    m_matches->header()->setSectionsMovable(false);
    m_matches->setRootIsDecorated(false);
    m_matches->setUniformRowHeights(true);
    m_matches->setAllColumnsShowFocus(true);
    m_matches->setSelectionMode(QAbstractItemView::SingleSelection);
    m_matches->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_matches->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_matches->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_matches->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const int scrollBar = m_matches->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_matches);
    m_matches->setFixedWidth(246 + 70 + scrollBar + 2 * m_matches->frameWidth());
    connect(m_matches, &QTreeWidget::itemSelectionChanged, this, &AddStatsDialog::selectionChanged);
    connect(m_matches, &QTreeWidget::itemDoubleClicked, this, &AddStatsDialog::confirm);
}

QWidget *AddStatsDialog::buildStatusBar()
{
    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("sb_Status"));
    bar->setSizeGripEnabled(false);

    auto *progressPanel = new QWidget(bar);
    progressPanel->setFixedWidth(102);
    auto *progressLayout = new QHBoxLayout(progressPanel);
    progressLayout->setContentsMargins(2, 2, 2, 2);
    m_progress = new QProgressBar(progressPanel);
    m_progress->setObjectName(QStringLiteral("pb_Progress"));
    m_progress->setAccessibleName(QStringLiteral("Transfer progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    progressLayout->addWidget(m_progress);

    m_received = newPanel("sb_Received", QStringLiteral("Bytes received"), 60, bar);
    m_status = newPanel("sb_Transfer", QStringLiteral("Transfer status"), 50, bar);
    bar->addWidget(progressPanel);
    bar->addWidget(m_received);
    bar->addWidget(m_status);
    return bar;
}

void AddStatsDialog::connectSearch()
{
    Stats::PageFetcher &fetcher = m_search->fetcher();
    connect(&fetcher, &Stats::PageFetcher::started, this, [this] {
        m_progress->setRange(0, 100);
        m_progress->setValue(0);
        m_received->clear();
    });
    connect(&fetcher, &Stats::PageFetcher::progress, this, &AddStatsDialog::showProgress);
    connect(&fetcher, &Stats::PageFetcher::statusChanged, m_status, &QLabel::setText);
    connect(m_search, &Stats::StatsSearch::finished, this, &AddStatsDialog::searchFinished);
    connect(m_search, &Stats::StatsSearch::failed, this, &AddStatsDialog::searchFailed);
}

void AddStatsDialog::setHost(const QString &host)
{
    m_search->setHost(host);
}

void AddStatsDialog::setKind(Stats::RankingKind kind)
{
    // The same kind again keeps the fields and matches of the last use.
    const int index = kind == Stats::RankingKind::Server ? 0 : 1;
    if (m_kind->currentIndex() == index)
        return;
    m_kind->setCurrentIndex(index);
    // Players have no address to search by.
    if (kind == Stats::RankingKind::Player && m_byAddress->isChecked())
        m_byName->setChecked(true);
    setControlsEnabled(!m_searching);
    m_matches->clear();
    selectionChanged();
    m_id->clear();
    m_name->clear();
    m_address->clear();
}

Stats::RankingKind AddStatsDialog::kind() const
{
    return m_kind->currentIndex() == 1 ? Stats::RankingKind::Player : Stats::RankingKind::Server;
}

void AddStatsDialog::prefillPlayer(const QString &name)
{
    m_name->setText(name);
    m_byName->setChecked(true);
    m_name->setFocus(Qt::OtherFocusReason);
}

void AddStatsDialog::prefillServer(const QString &name, const QString &addressWithPort)
{
    m_name->setText(name);
    m_address->setText(addressWithPort.section(QLatin1Char(':'), 0, 0));
}

QString AddStatsDialog::selectedName() const
{
    const QList<QTreeWidgetItem *> selected = m_matches->selectedItems();
    return selected.isEmpty() ? QString() : selected.constFirst()->text(kNameColumn);
}

QString AddStatsDialog::selectedId() const
{
    const QList<QTreeWidgetItem *> selected = m_matches->selectedItems();
    return selected.isEmpty() ? QString() : selected.constFirst()->text(kIdColumn);
}

QString AddStatsDialog::gameMode() const
{
    return m_gameMode->currentIndex() < 0 ? QString() : m_gameMode->currentText().toLower();
}

void AddStatsDialog::startSearch()
{
    if (m_searching)
        return;
    m_matches->clear();
    selectionChanged();
    Stats::SearchBy by = Stats::SearchBy::Name;
    if (m_byId->isChecked())
        by = Stats::SearchBy::Id;
    else if (m_byAddress->isChecked() && kind() == Stats::RankingKind::Server)
        by = Stats::SearchBy::Address;
    const QString text = by == Stats::SearchBy::Id        ? m_id->text()
                         : by == Stats::SearchBy::Address ? m_address->text()
                                                          : m_name->text();
    setSearching(true);
    if (!m_search->start(by, kind(), text))
        setSearching(false);
}

void AddStatsDialog::setSearching(bool searching)
{
    m_searching = searching;
    // Cancel takes the keyboard before the field losing it is switched off, so that
    // the focus does not wander through the other fields and check their radios.
    if (searching)
        m_cancel->setFocus(Qt::OtherFocusReason);
    setControlsEnabled(!searching);
    if (searching)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void AddStatsDialog::setControlsEnabled(bool enabled)
{
    for (QWidget *control :
         {static_cast<QWidget *>(m_id), static_cast<QWidget *>(m_name), static_cast<QWidget *>(m_byId),
          static_cast<QWidget *>(m_byName), static_cast<QWidget *>(m_ok), static_cast<QWidget *>(m_searchButton),
          static_cast<QWidget *>(m_gameMode), static_cast<QWidget *>(m_matches)})
        control->setEnabled(enabled);
    const bool addressAllowed = enabled && kind() == Stats::RankingKind::Server;
    m_byAddress->setEnabled(addressAllowed);
    m_address->setEnabled(addressAllowed);
}

void AddStatsDialog::stopWork()
{
    // The search reports its cancellation as a failure; one the user asked for is no error.
    m_stopping = true;
    m_search->cancel();
    m_stopping = false;
    // Matches not listed yet stay unlisted.
    m_listing->cancel();
    m_pending.clear();
    setSearching(false);
    checkedField()->setFocus(Qt::OtherFocusReason);
}

// The search gives each id once and the list was emptied when it started,
// so every match becomes a row.
void AddStatsDialog::searchFinished(const QList<std::pair<QString, QString>> &matches)
{
    m_pending = matches;
    m_nextMatch = 0;
    m_listing->startOpen(0);
}

bool AddStatsDialog::listBatch()
{
    const qsizetype end = std::min(m_pending.size(), m_nextMatch + kListingBatch);
    QList<QTreeWidgetItem *> items;
    items.reserve(end - m_nextMatch);
    for (; m_nextMatch < end; ++m_nextMatch) {
        const auto &[name, id] = m_pending.at(m_nextMatch);
        auto *item = new QTreeWidgetItem({name, id});
        item->setTextAlignment(kIdColumn, Qt::AlignCenter);
        items.append(item);
    }
    m_matches->addTopLevelItems(items);
    return m_nextMatch < m_pending.size();
}

void AddStatsDialog::listingDone()
{
    m_pending.clear();
    setSearching(false);
    if (m_matches->topLevelItemCount() > 0)
        m_matches->setFocus(Qt::OtherFocusReason);
    else
        checkedField()->setFocus(Qt::OtherFocusReason);
}

void AddStatsDialog::searchFailed(const QString &message)
{
    if (m_stopping)
        return;
    setSearching(false);
    checkedField()->setFocus(Qt::OtherFocusReason);
    m_context.messages.showError(message);
}

void AddStatsDialog::showProgress(qint64 received, qint64 total)
{
    if (total > 0 && total <= std::numeric_limits<int>::max())
        m_progress->setMaximum(static_cast<int>(total));
    m_progress->setValue(static_cast<int>(std::min<qint64>(received, m_progress->maximum())));
    m_received->setText(QString::number(received));
}

void AddStatsDialog::fieldEdited()
{
    m_matches->clearSelection();
    m_searchOrOk->setCurrentWidget(m_searchButton);
}

void AddStatsDialog::selectionChanged()
{
    m_searchOrOk->setCurrentWidget(m_matches->selectedItems().isEmpty() ? m_searchButton : m_ok);
}

bool AddStatsDialog::okShown() const
{
    return m_searchOrOk->currentWidget() == m_ok;
}

QLineEdit *AddStatsDialog::checkedField() const
{
    if (m_byId->isChecked())
        return m_id;
    if (m_byAddress->isChecked() && m_address->isEnabled())
        return m_address;
    return m_name;
}

void AddStatsDialog::confirm()
{
    if (m_searching || !okShown())
        return;
    if (gameMode().isEmpty()) {
        m_context.messages.showError(QStringLiteral("Select game type."));
        return;
    }
    accept();
}

void AddStatsDialog::showEvent(QShowEvent *event)
{
    BusyDialog::showEvent(event);
    // Typing goes to the field of the chosen search at once.
    if (!m_searching)
        checkedField()->setFocus(Qt::OtherFocusReason);
}

bool AddStatsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && !m_searching) {
        if (watched == m_id)
            m_byId->setChecked(true);
        else if (watched == m_name)
            m_byName->setChecked(true);
        else if (watched == m_address)
            m_byAddress->setChecked(true);
    }
    return BusyDialog::eventFilter(watched, event);
}

void AddStatsDialog::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((event->modifiers() & ~Qt::KeypadModifier) || (key != Qt::Key_Return && key != Qt::Key_Enter)) {
        BusyDialog::keyPressEvent(event);
        return;
    }
    // A field's Enter has started a search already, which hid OK.
    if (okShown())
        confirm();
}
