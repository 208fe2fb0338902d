#include "ApplicationIdentity.h"

#include "IconFactory.h"

#include <QApplication>

void applyApplicationIdentity()
{
    QApplication::setApplicationName(QStringLiteral("Quorvelin"));
    QApplication::setWindowIcon(IconFactory::applicationIcon());
}
