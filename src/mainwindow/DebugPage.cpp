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

DebugPage::DebugPage(const QString &profileDirectory, MessageBoxes &messages,
                     std::function<void(const QByteArray &)> sendToSelected, QWidget *parent)
    : QWidget(parent)
    , m_profileDirectory(profileDirectory)
    , m_messages(messages)
    , m_sendToSelected(std::move(sendToSelected))
    , debugm(new QPlainTextEdit(this))
    , ed_DebugSend(new QLineEdit(this))
    , lb_DebugSend(new QListWidget(this))
{
    debugm->setReadOnly(true);
    debugm->setLineWrapMode(QPlainTextEdit::NoWrap);
    debugm->setMaximumBlockCount(20000);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    debugm->setFont(mono);

    auto *send = new QPushButton(QStringLiteral("Send"), this);
    auto *sendList = new QPushButton(QStringLiteral("Send"), this);
    auto *save = new QPushButton(QStringLiteral("save to debuginfo.txt"), this);
    auto *clear = new QPushButton(QStringLiteral("clear me"), this);
    connect(send, &QPushButton::clicked, this, &DebugPage::btn_DebugSendClick);
    connect(ed_DebugSend, &QLineEdit::returnPressed, this, &DebugPage::btn_DebugSendClick);
    connect(sendList, &QPushButton::clicked, this, &DebugPage::btn_DebugSendListClick);
    connect(save, &QPushButton::clicked, this, &DebugPage::btn_SaveDebugInfoClick);
    connect(clear, &QPushButton::clicked, this, &DebugPage::btn_ClearDebugClick);

    lb_DebugSend->setMaximumHeight(90);
    auto *layout = new QGridLayout(this);
    layout->addWidget(debugm, 0, 0, 1, 2);
    layout->addWidget(ed_DebugSend, 1, 0);
    layout->addWidget(send, 1, 1);
    layout->addWidget(lb_DebugSend, 2, 0);
    layout->addWidget(sendList, 2, 1, Qt::AlignTop);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(clear);
    buttons->addStretch();
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setRowStretch(0, 1);
}

void DebugPage::appendLine(const QString &line)
{
    debugm->appendPlainText(line);
}

void DebugPage::loadQueryList()
{
    QFile file(QDir(m_profileDirectory).filePath(QStringLiteral("property_queries.lst")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.isEmpty())
            lb_DebugSend->addItem(QString::fromLatin1(line));
    }
}

void DebugPage::btn_DebugSendClick()
{
    if (!ed_DebugSend->text().isEmpty())
        m_sendToSelected(ed_DebugSend->text().toLatin1());
}

void DebugPage::btn_DebugSendListClick()
{
    if (const QListWidgetItem *item = lb_DebugSend->currentItem())
        m_sendToSelected(item->text().toLatin1());
}

void DebugPage::btn_SaveDebugInfoClick()
{
    const QString path = QDir(m_profileDirectory).filePath(QStringLiteral("debuginfo.txt"));
    QString error;
    if (!replaceFileAtomically(path, debugm->toPlainText().toUtf8() + '\n', &error))
        m_messages.showError(error);
}

void DebugPage::btn_ClearDebugClick()
{
    debugm->clear();
}
