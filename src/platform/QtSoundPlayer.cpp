#include "QtSoundPlayer.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::playWave(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    const QUrl source = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (m_effect->source() != source)
        m_effect->setSource(source);
    m_effect->stop();
    m_effect->play();
}
