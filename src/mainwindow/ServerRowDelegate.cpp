#include "ServerRowDelegate.h"

#include "core/ServerTable.h"

namespace {
// Every count shows at least two characters: " 0" for an empty one.
QString paddedCount(const QByteArray &count)
{
    const QString text = QString::fromLatin1(count);
    if (text.isEmpty())
        return QStringLiteral(" 0");
    return text.size() == 1 ? QLatin1Char(' ') + text : text;
}
}

QString ServerRowDelegate::countsText(const QByteArray &current, const QByteArray &maximum)
{
    return QLatin1Char('[') + paddedCount(current) + QLatin1Char('|') + paddedCount(maximum) + QLatin1Char(']');
}

void ServerRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = countsText(index.data(ServerTable::CurPlayersRole).toByteArray(),
                              index.data(ServerTable::MaxPlayersRole).toByteArray())
        + QLatin1Char(' ') + option->text;
}
