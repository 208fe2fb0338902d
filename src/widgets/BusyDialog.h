#pragma once

#include <QDialog>
#include <QList>

class QAbstractButton;
class QHBoxLayout;

// A dialog that runs work the user may stop. Escape and the Cancel button
// stop the work while it runs and close the dialog only when it is idle.
// The title bar's close goes through reject() as in any dialog, so it closes
// at once; however the dialog closes, endWork() ends the work first.
class BusyDialog : public QDialog
{
    Q_OBJECT
public:
    explicit BusyDialog(QWidget *parent = nullptr);

    virtual bool isBusy() const = 0;
    // Stops the running work; closes the dialog when none runs.
    void cancel();

    void done(int result) final;

protected:
    // Called only while busy: by cancel(), the dialog staying open, and by the default endWork().
    virtual void stopWork() = 0;
    // The dialog closes: all work ends at once. By default, what runs is stopped.
    virtual void endWork();
    // The actions on the left; on the right the button that accepts, then Cancel.
    QHBoxLayout *newButtonRow(const QList<QWidget *> &actions, QWidget *accept, QAbstractButton *cancel);
    void keyPressEvent(QKeyEvent *event) override;
};
