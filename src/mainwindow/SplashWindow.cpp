#include "SplashWindow.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

const QString SplashWindow::kCloseText = QStringLiteral("-=[close]=-");

namespace {
constexpr int kWidth = 350;
constexpr int kHeight = 263;
constexpr int kMaxProgressChars = 255;
}

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_picture(new QLabel(this))
    , m_label(new QLabel(QStringLiteral("[initializing]"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::BusyCursor);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x10, 0x18, 0x30));
    setPalette(pal);

    m_picture->setText(QStringLiteral("Quorvelin"));
    m_picture->setAlignment(Qt::AlignCenter);
    QFont titleFont = font();
    titleFont.setPixelSize(40);
    titleFont.setBold(true);
    m_picture->setFont(titleFont);
    m_picture->setStyleSheet(QStringLiteral("color: #e8ecf4;"));

    QFont labelFont = font();
    labelFont.setPixelSize(13);
    labelFont.setBold(true);
    labelFont.setItalic(true);
    m_label->setFont(labelFont);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_label->setStyleSheet(QStringLiteral("color: #8cc8ff;"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_picture, 1);
    layout->addWidget(m_label);

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
