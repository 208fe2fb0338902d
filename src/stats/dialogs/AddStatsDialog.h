#pragma once

#include "stats/RankingEntry.h"
#include "widgets/BusyDialog.h"

#include <QList>
#include <QString>

#include <utility>

class MessageBoxes;
class PacedWalk;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedLayout;
class QTreeWidget;

namespace Stats {
class StatsSearch;
}

// "Add ngWorldStats": searches the statistics service for a server or a
// player by id, name or (servers only) address, lists the matches and lets
// the user pick one of them and a game mode. Created once and kept, so its
// fields hold their contents from one use to the next.
class AddStatsDialog final : public BusyDialog
{
    Q_OBJECT
public:
    struct Context
    {
        MessageBoxes &messages;
    };

    explicit AddStatsDialog(const Context &context, QWidget *parent = nullptr);
    ~AddStatsDialog() override;

    // "name" or "name:port" of the statistics server.
    void setHost(const QString &host);
    // Switches between servers and players; a switch empties the matches and the three fields.
    void setKind(Stats::RankingKind kind);
    Stats::RankingKind kind() const;

    void prefillPlayer(const QString &name);
    // The address's part before the first ':' goes into the IP field.
    void prefillServer(const QString &name, const QString &addressWithPort);

    // The selected match; empty when none is selected.
    QString selectedName() const;
    QString selectedId() const;
    // The chosen game mode in lower case ("ctf"); empty when none is chosen.
    QString gameMode() const;

    Stats::StatsSearch &search() const { return *m_search; }
    // A search runs, or its matches are still being listed.
    bool isSearching() const { return m_searching; }
    bool isBusy() const override { return isSearching(); }

    void startSearch();
    void confirm();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    QLayout *buildSearchFields();
    void buildMatchList();
    QWidget *buildStatusBar();
    void connectSearch();
    void setSearching(bool searching);
    void setControlsEnabled(bool enabled);
    void stopWork() override;
    void searchFinished(const QList<std::pair<QString, QString>> &matches);
    // Lists the next batch of matches; false once all are listed.
    bool listBatch();
    void listingDone();
    void searchFailed(const QString &message);
    void showProgress(qint64 received, qint64 total);
    void fieldEdited();
    void selectionChanged();
    bool okShown() const;
    QLineEdit *checkedField() const;

    Context m_context;
    Stats::StatsSearch *m_search;
    PacedWalk *m_listing;
    // The matches of the last search still to be listed, from m_nextMatch on.
    QList<std::pair<QString, QString>> m_pending;
    qsizetype m_nextMatch = 0;
    bool m_searching = false;
    bool m_stopping = false;
    QRadioButton *m_byId = nullptr;
    QRadioButton *m_byName = nullptr;
    QRadioButton *m_byAddress = nullptr;
    QLineEdit *m_id = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_address = nullptr;
    QComboBox *m_kind = nullptr;
    QComboBox *m_gameMode = nullptr;
    QTreeWidget *m_matches = nullptr;
    QStackedLayout *m_searchOrOk = nullptr;
    QPushButton *m_searchButton = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_received = nullptr;
    QLabel *m_status = nullptr;
};
