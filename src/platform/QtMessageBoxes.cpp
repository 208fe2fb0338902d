#include "QtMessageBoxes.h"

#include <QMessageBox>

namespace {
const QString kTitle = QStringLiteral("Quorvelin");
}

void QtMessageBoxes::showError(const QString &text)
{
    QMessageBox::critical(m_parent, kTitle, text);
}

void QtMessageBoxes::showWarning(const QString &text)
{
    QMessageBox::warning(m_parent, kTitle, text);
}

void QtMessageBoxes::showInformation(const QString &text)
{
    QMessageBox::information(m_parent, kTitle, text);
}

bool QtMessageBoxes::confirm(const QString &text)
{
    return QMessageBox::question(m_parent, kTitle, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}
