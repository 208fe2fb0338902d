#pragma once

#include <QWidget>

#include <functional>

class MessageBoxes;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

// The "debug" page: the log of every datagram, and free-form queries sent
// to the selected server.
class DebugPage final : public QWidget
{
    Q_OBJECT
public:
    // sendToSelected sends one query to the selected server, if any.
    DebugPage(const QString &profileDirectory, MessageBoxes &messages,
              std::function<void(const QByteArray &)> sendToSelected, QWidget *parent = nullptr);

    void appendLine(const QString &line);
    // Fills the query list from "property_queries.lst" when it exists.
    void loadQueryList();

    QPlainTextEdit *memo() const { return debugm; }
    QLineEdit *sendEdit() const { return ed_DebugSend; }
    QListWidget *queryList() const { return lb_DebugSend; }

    void btn_DebugSendClick();
    void btn_DebugSendListClick();
    void btn_SaveDebugInfoClick();
    void btn_ClearDebugClick();

private:
    QString m_profileDirectory;
    MessageBoxes &m_messages;
    std::function<void(const QByteArray &)> m_sendToSelected;
    QPlainTextEdit *debugm;
    QLineEdit *ed_DebugSend;
    QListWidget *lb_DebugSend;
};
