#include "QtMessageBoxes.h"

#include <QMessageBox>

#include <cstdio>

namespace {
const QString kTitle = QStringLiteral("Quorvelin");

void printMessage(const QString &text)
{
    std::fprintf(stderr, "quorvelin: %s\n", qPrintable(text));
}

// Messages often quote what a server or a page sent; they are shown as
// plain text, never as markup.
bool ask(QWidget *parent, QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    QMessageBox box(icon, kTitle, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return box.exec() == QMessageBox::Yes;
}
} // namespace

void QtMessageBoxes::showError(const QString &text)
{
    if (!m_asking)
        return printMessage(text);
    ask(m_parent, QMessageBox::Critical, text, QMessageBox::Ok);
}

void QtMessageBoxes::showWarning(const QString &text)
{
    if (!m_asking)
        return printMessage(text);
    ask(m_parent, QMessageBox::Warning, text, QMessageBox::Ok);
}

void QtMessageBoxes::showInformation(const QString &text)
{
    if (!m_asking)
        return printMessage(text);
    ask(m_parent, QMessageBox::Information, text, QMessageBox::Ok);
}

bool QtMessageBoxes::confirm(const QString &text)
{
    if (!m_asking)
        return false;
    return ask(m_parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
}
