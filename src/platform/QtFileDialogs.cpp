#include "QtFileDialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// A directory chooser that lets OK through only for a directory its rule
// accepts, and says below the list whether the current one is such. The
// only chooser with a rule looks for the game's base directory.
class RuledDirectoryDialog final : public QFileDialog
{
public:
    RuledDirectoryDialog(QWidget *parent, const QString &title, const QString &start,
                         std::function<bool(const QString &)> acceptable)
        : QFileDialog(parent, title, start)
        , m_acceptable(std::move(acceptable))
        , m_status(new QLabel(this))
    {
        // Qt's own dialog, so that OK and the status line can be reached.
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::ShowDirsOnly);
        setFileMode(QFileDialog::Directory);
        m_status->setObjectName(QStringLiteral("lbl_Verdict"));
        if (auto *grid = qobject_cast<QGridLayout *>(layout()))
            grid->addWidget(m_status, grid->rowCount(), 0, 1, grid->columnCount());
        // The dialog sets its OK button itself on every change; ours comes after.
        const auto later = [this] {
            QMetaObject::invokeMethod(
                this, [this] { updateVerdict(); }, Qt::QueuedConnection);
        };
        connect(this, &QFileDialog::currentChanged, this, later);
        connect(this, &QFileDialog::directoryEntered, this, later);
        // The back, forward and parent buttons and the side bar move without directoryEntered.
        if (auto *model = findChild<QFileSystemModel *>())
            connect(model, &QFileSystemModel::rootPathChanged, this, later);
        if (auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            connect(edit, &QLineEdit::textChanged, this, later);
        updateVerdict();
    }

    bool acceptable(const QString &path) const { return !path.isEmpty() && m_acceptable(path); }

    void accept() override
    {
        if (!acceptable(candidate())) {
            updateVerdict();
            return;
        }
        QFileDialog::accept();
    }

private:
    QString candidate() const
    {
        const QStringList selected = selectedFiles();
        return selected.isEmpty() ? QString() : selected.first();
    }

    void updateVerdict()
    {
        const bool found = acceptable(candidate());
        m_status->setText(found ? QStringLiteral("Unreal Tournament base directory found.")
                                : QStringLiteral("This is NOT the Unreal Tournament base directory."));
        if (auto *buttons = findChild<QDialogButtonBox *>()) {
            if (QPushButton *ok = buttons->button(QDialogButtonBox::Open))
                ok->setEnabled(found);
        }
    }

    std::function<bool(const QString &)> m_acceptable;
    QLabel *m_status;
};

} // namespace

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

QString QtFileDialogs::chooseDirectory(const QString &title, const QString &start,
                                       std::function<bool(const QString &)> acceptable)
{
    if (!acceptable)
        return QFileDialog::getExistingDirectory(m_parent, title, start);
    RuledDirectoryDialog dialog(m_parent, title, start, std::move(acceptable));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().first();
    return dialog.acceptable(chosen) ? chosen : QString();
}
