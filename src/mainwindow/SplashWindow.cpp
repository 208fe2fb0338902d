#include "SplashWindow.h"

#include "IconFactory.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

const QString SplashWindow::kCloseText = QStringLiteral("-=[close]=-");

namespace {
constexpr int kWidth = 350;
constexpr int kHeight = 263;
constexpr int kLabelHeight = 30;
constexpr int kMaxProgressChars = 255;
} // namespace

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_picture(new QLabel(this))
    , m_label(new QLabel(QStringLiteral("[initializing]"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::BusyCursor);

    m_picture->setGeometry(0, 0, kWidth, kHeight);
    m_picture->setPixmap(IconFactory::splashPicture(devicePixelRatioF()));

    QFont labelFont = font();
    labelFont.setPixelSize(13);
    labelFont.setBold(true);
    labelFont.setItalic(true);
    m_label->setFont(labelFont);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setStyleSheet(QStringLiteral("color: #8cc8ff; background: transparent;"));
    m_label->setGeometry(0, kHeight - kLabelHeight, kWidth, kLabelHeight);

    if (const QScreen *screen = QApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void SplashWindow::showProgress(const QString &text)
{
    if (text == kCloseText) {
        close();
        return;
    }
    m_label->setText(QLatin1Char('[') + text.left(kMaxProgressChars) + QLatin1Char(']'));
    m_label->repaint();
}

QString SplashWindow::progressText() const
{
    return m_label->text();
}
