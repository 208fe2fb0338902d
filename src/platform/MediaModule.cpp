#include "MediaModule.h"

#include "DesktopNotifier.h"
#include "SoundPlayer.h"
#include "SpeechEngine.h"

#include <QDir>
#include <QFileInfo>

MediaModule::MediaModule(QStringList candidates)
    : m_candidates(std::move(candidates))
{
}

QStringList MediaModule::standardLocations(const QString &programDir)
{
    const QString fileName = QLatin1String(kBaseName) + QStringLiteral(".so");
    return {
        QDir(programDir).filePath(fileName),
        QDir::cleanPath(programDir + QStringLiteral("/../lib/quorvelin/") + fileName),
    };
}

QFunctionPointer MediaModule::resolve(const char *symbol)
{
    if (!m_tried) {
        m_tried = true;
        for (const QString &candidate : std::as_const(m_candidates)) {
            if (QFileInfo(candidate).isFile()) {
                m_library.setFileName(candidate);
                m_library.load();
                break;
            }
        }
    }
    // Never unloaded: the objects made by the module run its code.
    return m_library.isLoaded() ? m_library.resolve(symbol) : nullptr;
}

std::unique_ptr<SpeechEngine> MediaModule::createSpeechEngine()
{
    const auto create = reinterpret_cast<QuorvelinCreateSpeechEngine>(resolve("quorvelinCreateSpeechEngine"));
    return std::unique_ptr<SpeechEngine>(create ? create() : nullptr);
}

std::unique_ptr<SoundPlayer> MediaModule::createSoundPlayer()
{
    const auto create = reinterpret_cast<QuorvelinCreateSoundPlayer>(resolve("quorvelinCreateSoundPlayer"));
    return std::unique_ptr<SoundPlayer>(create ? create() : nullptr);
}

std::unique_ptr<DesktopNotifier> MediaModule::createDesktopNotifier()
{
    const auto create = reinterpret_cast<QuorvelinCreateDesktopNotifier>(resolve("quorvelinCreateDesktopNotifier"));
    return std::unique_ptr<DesktopNotifier>(create ? create() : nullptr);
}
