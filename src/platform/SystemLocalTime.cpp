#include "SystemLocalTime.h"

#include <QLocale>
#include <QTime>

QString SystemLocalTime::longTimeText() const
{
    return QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat);
}
