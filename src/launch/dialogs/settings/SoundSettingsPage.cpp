#include "SoundSettingsPage.h"

#include "launch/dialogs/SettingsHints.h"
#include "platform/SoundPlayer.h"
#include "platform/SpeechEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QVBoxLayout>

SoundSettingsPage::SoundSettingsPage(const SettingsPageContext &context, const QStringList &voiceNames)
    : SettingsPage("ts_Sound", context)
    , m_voiceNames(voiceNames)
{
    m_buddySound = newLineEdit("ed_BuddySound", QStringLiteral("Buddy join sound"));
    QPushButton *browse =
        newButton("btn_BrowseBuddySound", QStringLiteral("..."), QStringLiteral("Browse for the buddy join sound"));
    QPushButton *play = newButton("btn_PlayBuddySound", QStringLiteral("Play"), QStringLiteral("Play the sound"));
    QCheckBox *computerVoice = newCheckBox("cb_ComputerVoice", QStringLiteral("Computer voice"));
    m_voices = named(new QComboBox(this), "cb_Voices", QStringLiteral("Voice"));
    m_testVoice = newButton("btn_TestVoice", QStringLiteral("Test"), QStringLiteral("Test the voice"));
    QLineEdit *buddySpeech = newLineEdit("ed_BuddySpeechFormat", QStringLiteral("What to say on buddy join"));
    bind(m_buddySound, &Settings::BuddySound);
    bind(
        [this, computerVoice](const SettingsValues &values) {
            computerVoice->setChecked(values.speechActive);
            fillVoices(values.settings.ComputerVoice);
        },
        [this, computerVoice](SettingsValues &values) {
            if (m_voices->currentIndex() >= 0)
                values.settings.ComputerVoice = m_voices->currentText();
            // The box is the switch the file keeps; both fields carry it.
            values.speechActive = computerVoice->isChecked();
            values.settings.ComputerVoiceActive = values.speechActive;
        });
    bind(buddySpeech, &Settings::BuddySpeechFormat);
    hint({browse, play}, "ed_BuddySound");
    hint({computerVoice, m_testVoice}, "cb_Voices");
    connect(browse, &QPushButton::clicked, this, [this] {
        browseFile(m_buddySound, QStringLiteral("Select buddy join sound"),
                   QStringLiteral("Wave files (*.wav);;All files (*.*)"));
    });
    connect(play, &QPushButton::clicked, this, &SoundSettingsPage::playBuddySound);
    connect(m_voices, &QComboBox::currentIndexChanged, this, &SoundSettingsPage::voiceChanged);
    connect(m_testVoice, &QPushButton::clicked, this, &SoundSettingsPage::testVoice);

    auto *layout = new QVBoxLayout(this);
    addCaptioned(layout, {m_buddySound, browse, play});
    layout->addWidget(computerVoice);
    layout->addLayout(row({m_voices, m_testVoice}));
    addCaptioned(layout, {buddySpeech});
    layout->addStretch();
}

void SoundSettingsPage::fillVoices(const QString &selected)
{
    // Filling the box is no choice of the user's: the engine keeps its voice.
    const QSignalBlocker blocker(m_voices);
    m_voices->clear();
    m_voices->addItems(m_voiceNames);
    m_voices->setCurrentIndex(selected.isEmpty() ? -1 : int(m_voiceNames.indexOf(selected)));
    // A voice this engine does not list (another machine's, say) is kept
    // until the user chooses one; the box names it.
    m_voices->setPlaceholderText(selected);
    m_voices->setEnabled(!m_voiceNames.isEmpty());
    m_testVoice->setEnabled(!m_voiceNames.isEmpty());
}

void SoundSettingsPage::dialogShown()
{
    if (m_voices->currentIndex() >= 0 && context().speech)
        context().speech->selectVoice(m_voices->currentText());
}

void SoundSettingsPage::playBuddySound()
{
    const QString file = m_buddySound->text().remove(QLatin1Char('"'));
    m_buddySound->setText(file);
    if (!file.isEmpty())
        context().sound.playWave(file);
}

void SoundSettingsPage::voiceChanged(int index)
{
    if (index >= 0 && context().speech)
        context().speech->selectVoice(m_voices->itemText(index));
}

void SoundSettingsPage::testVoice()
{
    const QStringList &phrases = SettingsHints::testPhrases();
    if (context().speech && !phrases.isEmpty())
        context().speech->say(phrases.at(QRandomGenerator::global()->bounded(int(phrases.size()))));
}
