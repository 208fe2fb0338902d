#include "QtMessageBoxes.h"

#include <QMessageBox>

#include <cstdio>

namespace {
const QString kTitle = QStringLiteral("Quorvelin");

void printMessage(const QString &text)
{
    std::fprintf(stderr, "quorvelin: %s\n", qPrintable(text));
}
} // namespace

void QtMessageBoxes::showError(const QString &text)
{
    if (!m_asking)
        return printMessage(text);
    QMessageBox::critical(m_parent, kTitle, text);
}

void QtMessageBoxes::showWarning(const QString &text)
{
    if (!m_asking)
        return printMessage(text);
    QMessageBox::warning(m_parent, kTitle, text);
}

void QtMessageBoxes::showInformation(const QString &text)
{
    if (!m_asking)
        return printMessage(text);
    QMessageBox::information(m_parent, kTitle, text);
}

bool QtMessageBoxes::confirm(const QString &text)
{
    if (!m_asking)
        return false;
    return QMessageBox::question(m_parent, kTitle, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}
