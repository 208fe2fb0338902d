#include "mainwindow/IconFactory.h"

#include <QImage>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace {

QImage render(const QIcon &icon, int size)
{
    return icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Pixels a colour-blind viewer would still see as different: compares
// brightness and coverage only, never hue.
int visiblyDifferentPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb pa = a.pixel(x, y);
            const QRgb pb = b.pixel(x, y);
            const int grey = std::abs(qGray(pa) * qAlpha(pa) / 255 - qGray(pb) * qAlpha(pb) / 255);
            const int alpha = std::abs(qAlpha(pa) - qAlpha(pb));
            if (grey > 48 || alpha > 48)
                ++count;
        }
    }
    return count;
}

TEST(IconFactoryTest, ApplicationIconHasShapeAtSmallAndLargeSizes)
{
    for (const int s : {16, 64}) {
        const QImage image = render(IconFactory::applicationIcon(), s);
        ASSERT_EQ(image.size(), QSize(s, s));
        int opaque = 0;
        int clear = 0;
        for (int y = 0; y < s; ++y) {
            for (int x = 0; x < s; ++x) {
                const int alpha = qAlpha(image.pixel(x, y));
                opaque += alpha == 255;
                clear += alpha == 0;
            }
        }
        EXPECT_GT(opaque, s * s / 2) << s;
        EXPECT_GT(clear, 0) << s;
    }
}

TEST(IconFactoryTest, RestingTrayIconIsTheApplicationIcon)
{
    EXPECT_EQ(render(IconFactory::trayIcon(IconFactory::TrayResting), 32), render(IconFactory::applicationIcon(), 32));
}

TEST(IconFactoryTest, BlinkSignalsStandApartAtSixteenPixels)
{
    const int signalIcons[] = {IconFactory::TrayResting, IconFactory::TrayPlayersJoined, IconFactory::TrayPlayersLeft,
                               IconFactory::TrayBuddyJoined};
    for (const int a : signalIcons) {
        for (const int b : signalIcons) {
            if (a >= b)
                continue;
            const int differing =
                visiblyDifferentPixels(render(IconFactory::trayIcon(a), 16), render(IconFactory::trayIcon(b), 16));
            EXPECT_GE(differing, 16) << "icons " << a << " and " << b;
        }
    }
}

TEST(IconFactoryTest, SpareTrayIconsDifferFromResting)
{
    const QImage resting = render(IconFactory::trayIcon(IconFactory::TrayResting), 16);
    const int spares[] = {IconFactory::TrayNoData, IconFactory::TrayInfo, IconFactory::TrayWarning};
    for (const int i : spares)
        EXPECT_GE(visiblyDifferentPixels(resting, render(IconFactory::trayIcon(i), 16)), 12) << i;
}

TEST(IconFactoryTest, OutOfRangeTrayIndexGivesRestingIcon)
{
    const QImage resting = render(IconFactory::trayIcon(IconFactory::TrayResting), 16);
    const int outOfRange[] = {-1, IconFactory::TrayIconCount, 100, INT_MIN, INT_MAX};
    for (const int i : outOfRange)
        EXPECT_EQ(render(IconFactory::trayIcon(i), 16), resting) << i;
}

TEST(IconFactoryTest, SplashPictureKeepsLogicalSizeAtAnyRatio)
{
    const QPixmap normal = IconFactory::splashPicture(1.0);
    EXPECT_EQ(normal.deviceIndependentSize(), QSizeF(350, 263));
    EXPECT_EQ(normal.size(), QSize(350, 263));

    const QPixmap sharp = IconFactory::splashPicture(2.0);
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(350, 263));
    EXPECT_EQ(sharp.size(), QSize(700, 526));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
}

// The progress line is written over the bottom strip, so it must stay plain.
TEST(IconFactoryTest, SplashPictureFooterIsPlain)
{
    const QImage image = IconFactory::splashPicture(1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb reference = image.pixel(0, image.height() - 1);
    for (int y = image.height() - 28; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            ASSERT_LE(std::abs(qGray(px) - qGray(reference)), 12) << x << "," << y;
        }
    }
}

} // namespace
