#include "QtFileDialogs.h"

#include <QFileDialog>

QString QtFileDialogs::openFile(const QString &title, const QString &filter, const QString &directory)
{
    QFileDialog dialog(m_parent, title, directory, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
