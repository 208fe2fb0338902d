#pragma once

#include "FileDialogs.h"

#include <QPointer>
#include <QWidget>

class QtFileDialogs final : public FileDialogs
{
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }
    QString openFile(const QString &title, const QString &filter, const QString &directory) override;
    QString chooseDirectory(const QString &title, const QString &start,
                            std::function<bool(const QString &)> acceptable = {}) override;

private:
    QPointer<QWidget> m_parent;
};
