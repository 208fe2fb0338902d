#include "DebugPage.h"

#include "platform/AtomicFile.h"
#include "platform/MessageBoxes.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include <algorithm>

DebugPage::DebugPage(const QString &profileDirectory, MessageBoxes &messages,
                     std::function<void(const QByteArray &)> sendToSelected, QWidget *parent)
    : QWidget(parent)
    , m_profileDirectory(profileDirectory)
    , m_messages(messages)
    , m_sendToSelected(std::move(sendToSelected))
    , m_memo(new QPlainTextEdit(this))
    , m_sendEdit(new QLineEdit(this))
    , m_queryList(new QListWidget(this))
{
    setObjectName(QStringLiteral("ts_Debug"));
    m_memo->setObjectName(QStringLiteral("mm_Debug"));
    m_memo->setReadOnly(true);
    // A log has nothing to undo; the history would keep every line ever shown.
    m_memo->setUndoRedoEnabled(false);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    m_memo->setFont(mono);

    m_memo->setAccessibleName(QStringLiteral("Debug log"));
    m_sendEdit->setAccessibleName(QStringLiteral("Query to send"));
    m_queryList->setAccessibleName(QStringLiteral("Saved queries"));
    auto *send = new QPushButton(QStringLiteral("Send"), this);
    send->setAccessibleName(QStringLiteral("Send query"));
    auto *sendList = new QPushButton(QStringLiteral("Send"), this);
    sendList->setAccessibleName(QStringLiteral("Send selected query"));
    auto *sayEdit = new QLineEdit(this);
    sayEdit->setObjectName(QStringLiteral("ed_Say"));
    sayEdit->setAccessibleName(QStringLiteral("Text to say"));
    auto *say = new QPushButton(QStringLiteral("Say"), this);
    say->setObjectName(QStringLiteral("btn_Say"));
    connect(say, &QPushButton::clicked, this, [this, sayEdit] { Q_EMIT sayRequested(sayEdit->text()); });
    auto *save = new QPushButton(QStringLiteral("save to debuginfo.txt"), this);
    auto *clear = new QPushButton(QStringLiteral("clear me"), this);
    connect(send, &QPushButton::clicked, this, &DebugPage::sendEditQuery);
    connect(m_sendEdit, &QLineEdit::returnPressed, this, &DebugPage::sendEditQuery);
    connect(sendList, &QPushButton::clicked, this, &DebugPage::sendListQuery);
    connect(save, &QPushButton::clicked, this, &DebugPage::saveDebugInfo);
    connect(clear, &QPushButton::clicked, this, &DebugPage::clearLog);

    m_queryList->setMaximumHeight(90);
    auto *layout = new QGridLayout(this);
    layout->addWidget(m_memo, 0, 0, 1, 2);
    layout->addWidget(m_sendEdit, 1, 0);
    layout->addWidget(send, 1, 1);
    layout->addWidget(m_queryList, 2, 0);
    layout->addWidget(sendList, 2, 1, Qt::AlignTop);
    layout->addWidget(sayEdit, 3, 0);
    layout->addWidget(say, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(clear);
    buttons->addStretch();
    layout->addLayout(buttons, 4, 0, 1, 2);
    layout->setRowStretch(0, 1);
}

void DebugPage::appendLine(const QString &line)
{
    // A log seen at its end follows new lines; one scrolled back stays on its
    // lines. Hidden, it keeps the place it had when last seen.
    QScrollBar *bar = m_memo->verticalScrollBar();
    if (m_memo->isVisible()) {
        m_following = bar->value() >= bar->maximum();
        m_top = bar->value();
    }
    m_memo->appendPlainText(line);
    m_lineLengths.enqueue(line.size());
    m_logLength += line.size();
    // The oldest lines go once the log holds too many lines or too much
    // text, so a program that logs for weeks keeps its memory.
    int excess = 0;
    while (m_lineLengths.size() > kMaxLines || m_logLength > kMaxCharacters) {
        m_logLength -= m_lineLengths.dequeue();
        ++excess;
    }
    if (excess > 0) {
        QTextCursor oldest(m_memo->document());
        oldest.movePosition(QTextCursor::Start);
        oldest.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, excess);
        oldest.removeSelectedText();
    }
    // The bar counts lines, so the lines that went move the place back by as many.
    m_top = std::max(m_top - excess, 0);
    keepPlace();
}

void DebugPage::keepPlace()
{
    QScrollBar *bar = m_memo->verticalScrollBar();
    bar->setValue(m_following ? bar->maximum() : m_top);
}

void DebugPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Lines that came while hidden make the log show its cursor, which sits at
    // the end of the text, on showing; the place the log had counts instead.
    keepPlace();
    m_memo->horizontalScrollBar()->setValue(m_left);
}

void DebugPage::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    QScrollBar *bar = m_memo->verticalScrollBar();
    m_following = bar->value() >= bar->maximum();
    m_top = bar->value();
    m_left = m_memo->horizontalScrollBar()->value();
}

void DebugPage::loadQueryList()
{
    QFile file(QDir(m_profileDirectory).filePath(QStringLiteral("property_queries.lst")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.isEmpty())
            m_queryList->addItem(QString::fromLatin1(line));
    }
}

void DebugPage::sendEditQuery()
{
    if (!m_sendEdit->text().isEmpty())
        m_sendToSelected(m_sendEdit->text().toLatin1());
}

void DebugPage::sendListQuery()
{
    if (const QListWidgetItem *item = m_queryList->currentItem())
        m_sendToSelected(item->text().toLatin1());
}

void DebugPage::saveDebugInfo()
{
    const QString path = QDir(m_profileDirectory).filePath(QStringLiteral("debuginfo.txt"));
    QString error;
    if (!replaceFileAtomically(path, m_memo->toPlainText().toUtf8() + '\n', &error))
        m_messages.showError(error);
}

void DebugPage::clearLog()
{
    m_memo->clear();
    m_lineLengths.clear();
    m_logLength = 0;
    m_following = true;
    m_top = 0;
}
