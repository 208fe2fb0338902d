#pragma once

#include <QObject>

#include <memory>

class HistoryPage;
class HistoryRecorder;
class HistorySource;
class HistoryStore;
class MessageBoxes;
class Poller;
class QueryEngine;
class ServerTable;

// The window's history: the profile's store, the recorder that fills it
// from the replies the program gets anyway, and the History page of the
// selected server. A history that cannot be kept is said once; the monitor
// goes on without it.
class HistoryKeeper final : public QObject
{
    Q_OBJECT
public:
    struct Context
    {
        ServerTable &table;
        QueryEngine &engine;
        Poller &poller;
        MessageBoxes &messages;
        HistoryPage &page;
        // No profile directory, no history.
        QString profileDirectory;
        int historyDays;
    };

    explicit HistoryKeeper(const Context &context, QObject *parent = nullptr);
    ~HistoryKeeper() override;

    // Null while there is no history.
    HistorySource *source() const;
    // Samples older than this are thinned to one an hour, sightings dropped.
    void setHistoryDays(int days);
    // The History page follows the server of this slot.
    void showServer(int slot);

private:
    void tellUnavailable(const QString &message);
    void refreshPage();

    Context m_context;
    std::unique_ptr<HistoryStore> m_store;
    HistoryRecorder *m_recorder = nullptr;
    int m_shownSlot = -1;
    bool m_told = false;
};
