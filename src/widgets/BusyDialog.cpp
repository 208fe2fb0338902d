#include "BusyDialog.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeyEvent>

BusyDialog::BusyDialog(QWidget *parent)
    : QDialog(parent)
{
}

void BusyDialog::cancel()
{
    if (isBusy())
        stopWork();
    else
        reject();
}

void BusyDialog::done(int result)
{
    endWork();
    QDialog::done(result);
}

void BusyDialog::endWork()
{
    if (isBusy())
        stopWork();
}

QHBoxLayout *BusyDialog::newButtonRow(const QList<QWidget *> &actions, QWidget *accept, QAbstractButton *cancel)
{
    connect(cancel, &QAbstractButton::clicked, this, &BusyDialog::cancel);
    auto *row = new QHBoxLayout;
    for (QWidget *action : actions)
        row->addWidget(action);
    row->addStretch();
    row->addWidget(accept);
    row->addWidget(cancel);
    return row;
}

void BusyDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape is the Cancel button; QDialog's own Escape would close while busy.
    if (event->key() == Qt::Key_Escape && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}
