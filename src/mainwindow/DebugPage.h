#pragma once

#include <QQueue>
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

    QLineEdit *sendEdit() const { return m_sendEdit; }
    QListWidget *queryList() const { return m_queryList; }

    void sendEditQuery();
    void sendListQuery();
    void saveDebugInfo();
    void clearLog();

Q_SIGNALS:
    // The "Say" button: the text to speak.
    void sayRequested(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // Scrolls the log to the place it keeps: its end while it follows new lines.
    void keepPlace();

    QString m_profileDirectory;
    MessageBoxes &m_messages;
    std::function<void(const QByteArray &)> m_sendToSelected;
    QPlainTextEdit *m_memo;
    QLineEdit *m_sendEdit;
    QListWidget *m_queryList;
    QQueue<qsizetype> m_lineLengths;
    qint64 m_logLength = 0;
    // Where the log was last seen: following its end, or at this top line; and its column.
    bool m_following = true;
    int m_top = 0;
    int m_left = 0;
    static constexpr qsizetype kMaxLines = 20000;
    static constexpr qint64 kMaxCharacters = 4'000'000;
};
