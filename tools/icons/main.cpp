// Renders the program's icon into a freedesktop icon theme tree:
//   quorvelin-icons OUTPUT_DIR
// writes OUTPUT_DIR/<N>x<N>/apps/org.quorvelin.Quorvelin.png for every size
// the desktop uses. Runs without a display on the offscreen platform.
#include "mainwindow/IconFactory.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
const QString kIconName = QStringLiteral("org.quorvelin.Quorvelin.png");

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: quorvelin-icons OUTPUT_DIR\n", stderr);
        return 1;
    }
    QGuiApplication app(argc, argv);
    const QDir output(QString::fromLocal8Bit(argv[1]));
    const QIcon icon = IconFactory::applicationIcon();
    if (icon.isNull()) {
        std::fputs("quorvelin-icons: the icon cannot be painted\n", stderr);
        return 1;
    }
    for (const int size : kSizes) {
        const QString sizeName = QStringLiteral("%1x%1").arg(size);
        const QString directory = output.filePath(sizeName + QStringLiteral("/apps"));
        if (!QDir().mkpath(directory)) {
            std::fprintf(stderr, "quorvelin-icons: cannot create %s\n", qPrintable(directory));
            return 1;
        }
        QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        if (image.size() != QSize(size, size))
            image = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image.setDevicePixelRatio(1.0);
        const QString path = QDir(directory).filePath(kIconName);
        if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
            std::fprintf(stderr, "quorvelin-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
