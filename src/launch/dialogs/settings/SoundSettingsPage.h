#pragma once

#include "SettingsPage.h"

#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;

// "Sound": the wave file played when a buddy joins, the computer voice with
// its switch and test button, and what the voice says on a buddy's join.
class SoundSettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    SoundSettingsPage(const SettingsPageContext &context, const QStringList &voiceNames);

    // The test button speaks with the chosen voice from the start.
    void dialogShown() override;

private:
    // The engine's voices, the given one chosen.
    void fillVoices(const QString &selected);
    void playBuddySound();
    void voiceChanged(int index);
    void testVoice();

    QStringList m_voiceNames;
    QLineEdit *m_buddySound = nullptr;
    QComboBox *m_voices = nullptr;
    QPushButton *m_testVoice = nullptr;
};
