#pragma once

#include "MessageBoxes.h"

#include <QPointer>
#include <QWidget>

class QtMessageBoxes final : public MessageBoxes
{
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }
    // From now on nothing waits for the user: messages go to standard error
    // and questions are answered No. For a close that nobody watches.
    void stopAsking() { m_asking = false; }

    void showError(const QString &text) override;
    void showWarning(const QString &text) override;
    void showInformation(const QString &text) override;
    bool confirm(const QString &text) override;

private:
    QPointer<QWidget> m_parent;
    bool m_asking = true;
};
