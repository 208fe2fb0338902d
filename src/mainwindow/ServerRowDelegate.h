#pragma once

#include <QStyledItemDelegate>

// Shows each server row as its player counts and its name.
class ServerRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QString countsText(const QByteArray &current, const QByteArray &maximum);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
