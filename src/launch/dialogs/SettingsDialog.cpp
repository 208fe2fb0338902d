#include "SettingsDialog.h"

#include "HotKeyEdit.h"
#include "SettingsHints.h"
#include "config/HotKeys.h"
#include "launch/GameLaunch.h"
#include "mainwindow/SystemColors.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/SoundPlayer.h"
#include "platform/SpeechEngine.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kMillisecondsPerMinute = 60000;

const QString kMasterPreset = QStringLiteral("<ip or hostname>:<port> or <http://location>");

// The directory part of a file box's text, where a file dialog starts.
QString startDirectory(const QString &file)
{
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

} // namespace

SettingsDialog::SettingsDialog(const Context &context, const Values &values, const QStringList &voiceNames,
                               QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_values(values)
    , m_chooseColor([](const QColor &initial, QWidget *owner) { return QColorDialog::getColor(initial, owner); })
    , m_askText([this](const QString &title, const QString &prompt, const QString &preset) -> std::optional<QString> {
        bool ok = false;
        const QString text = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, preset, &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    })
{
    setObjectName(QStringLiteral("Tfrm_Settings"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);

    // Created in the order the Tab key walks: page names, page, hint, buttons.
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pc_Settings"));
    m_pageTree = buildPageTree();
    for (QWidget *page :
         {buildLayoutPage(), buildScoreGraphPage(), buildConnectionPage(), buildMiscelaneousPage(),
          buildLocationsPage(), buildHotKeysPage(), buildSoundPage(), buildNotifyPage(), buildHtmlOutputPage()})
        m_pages->addWidget(page);

    m_hint = new QPlainTextEdit(this);
    m_hint->setObjectName(QStringLiteral("mm_Hint"));
    m_hint->setAccessibleName(QStringLiteral("Hint"));
    m_hint->setReadOnly(true);
    m_hint->setTabStopDistance(m_hint->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 10);
    m_hint->setFixedHeight(m_hint->fontMetrics().lineSpacing() * 7);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btn_OK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btn_Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(m_pageTree);
    top->addWidget(m_pages, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_hint);
    layout->addWidget(buttons);
    setMinimumSize(620, 460);

    fillControls(values, voiceNames);
    fillHotKeyList();
    connect(m_voices, &QComboBox::currentIndexChanged, this, &SettingsDialog::voiceChanged);
    showPage(ConnectionPage);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::fillControls(const Values &values, const QStringList &voiceNames)
{
    const Settings &s = values.settings;
    m_titleBar->setText(s.TitleBarFormat);
    setSwatch(0, s.LoadColorBelowHalf);
    setSwatch(1, s.LoadColorHalf);
    setSwatch(2, s.LoadColorFull);
    m_minBarWidth->setValue(s.MinBarWidth);
    m_fontSize->setValue(s.DefaultFontSize);
    showExampleSize(m_fontSize->value());
    const std::array<std::pair<const FrameBoxes *, std::array<bool, 3>>, 2> frames = {{
        {&m_teamFrame, {s.PaintFrameTeam, s.PaintThickTeam, s.Paint3DFrameTeam}},
        {&m_graphFrame, {s.PaintFrameGraph, s.PaintThickGraph, s.Paint3DFrameGraph}},
    }};
    for (const auto &[boxes, flags] : frames) {
        boxes->frame->setChecked(flags[0]);
        boxes->thick->setChecked(flags[1]);
        boxes->raised->setChecked(flags[2]);
        boxes->thick->setEnabled(flags[0]);
        boxes->raised->setEnabled(flags[0]);
    }
    m_localPort->setValue(s.LocalPort);
    m_timeOut->setValue(s.ServerTimeOut);
    m_sleepTime->setValue(s.SleepTime);
    m_baseDir->setText(s.UTBaseDir);
    m_lastVersion->setText(QString::number(s.LastVersionChecked));
    m_runParams->setText(s.RunParams);
    m_checkVersion->setChecked(s.CheckVersionAtStartUp);
    m_rememberChecks->setChecked(s.RememberServerCheck);
    m_promptOnRun->setChecked(s.promptOnRun);
    m_closeOnJoin->setChecked(s.CloseOnJoin);
    m_versionServers->addItems({s.VersionServer1, s.VersionServer2});
    m_masterServers->addItems(values.masterServers);
    m_ngWorldStats->setText(s.NgWorldStats);
    m_buddySound->setText(s.BuddySound);
    m_computerVoice->setChecked(values.speechActive);
    fillVoices(voiceNames, s.ComputerVoice);
    m_buddySpeech->setText(s.BuddySpeechFormat);
    m_template->setText(s.HtmlTemplate);
    m_output->setText(s.HtmlOutput);
    m_outputDir->setText(s.HtmlOutputDir);
    m_command->setText(s.HtmlCommand);
    m_htmlEnabled->setChecked(s.HtmlEnabled);
    m_htmlInterval->setValue(s.HtmlInterval / kMillisecondsPerMinute);
}

void SettingsDialog::showExampleSize(int size)
{
    QFont font = m_exampleSize->font();
    font.setPointSize(size);
    m_exampleSize->setFont(font);
}

void SettingsDialog::fillVoices(const QStringList &voiceNames, const QString &selected)
{
    m_voices->addItems(voiceNames);
    m_voices->setCurrentIndex(selected.isEmpty() ? -1 : int(voiceNames.indexOf(selected)));
    // A voice this engine does not list (another machine's, say) is kept
    // until the user chooses one; the box names it.
    m_voices->setPlaceholderText(selected);
    m_voices->setEnabled(!voiceNames.isEmpty());
    m_testVoice->setEnabled(!voiceNames.isEmpty());
}

SettingsDialog::Values SettingsDialog::values() const
{
    Values values = m_values;
    Settings &s = values.settings;
    s.TitleBarFormat = m_titleBar->text();
    s.LoadColorBelowHalf = m_loadColors[0];
    s.LoadColorHalf = m_loadColors[1];
    s.LoadColorFull = m_loadColors[2];
    s.MinBarWidth = m_minBarWidth->value();
    s.DefaultFontSize = m_fontSize->value();
    s.PaintFrameTeam = m_teamFrame.frame->isChecked();
    s.PaintThickTeam = m_teamFrame.thick->isChecked();
    s.Paint3DFrameTeam = m_teamFrame.raised->isChecked();
    s.PaintFrameGraph = m_graphFrame.frame->isChecked();
    s.PaintThickGraph = m_graphFrame.thick->isChecked();
    s.Paint3DFrameGraph = m_graphFrame.raised->isChecked();
    s.LocalPort = m_localPort->value();
    s.ServerTimeOut = m_timeOut->value();
    s.SleepTime = m_sleepTime->value();
    s.UTBaseDir = m_baseDir->text();
    s.RunParams = m_runParams->text();
    s.CheckVersionAtStartUp = m_checkVersion->isChecked();
    s.RememberServerCheck = m_rememberChecks->isChecked();
    s.promptOnRun = m_promptOnRun->isChecked();
    s.CloseOnJoin = m_closeOnJoin->isChecked();
    values.masterServers.clear();
    for (int i = 0; i < m_masterServers->count(); ++i)
        values.masterServers.append(m_masterServers->item(i)->text());
    s.NgWorldStats = m_ngWorldStats->text();
    values.hotKeyCodes.clear();
    for (int i = 0; i < m_hotKeys->topLevelItemCount(); ++i)
        values.hotKeyCodes.append(HotKeys::codeOfText(m_hotKeys->topLevelItem(i)->text(1)));
    s.BuddySound = m_buddySound->text();
    if (m_voices->currentIndex() >= 0)
        s.ComputerVoice = m_voices->currentText();
    // The box is the switch the file keeps; both fields carry it.
    values.speechActive = m_computerVoice->isChecked();
    s.ComputerVoiceActive = values.speechActive;
    s.BuddySpeechFormat = m_buddySpeech->text();
    s.HtmlTemplate = m_template->text();
    s.HtmlOutput = m_output->text();
    s.HtmlOutputDir = m_outputDir->text();
    s.HtmlCommand = m_command->text();
    s.HtmlEnabled = m_htmlEnabled->isChecked();
    s.HtmlInterval = m_htmlInterval->value() * kMillisecondsPerMinute;
    return values;
}

void SettingsDialog::accept()
{
    if (m_commit && !m_commit(values()))
        return;
    QDialog::accept();
}

bool SettingsDialog::isGameBaseDirectory(const QString &directory)
{
    const QString executable = GameLaunch::findExecutable(directory);
    return !executable.isEmpty() && QFileInfo(executable).isFile();
}

int SettingsDialog::currentPage() const
{
    return m_pages->currentIndex();
}

void SettingsDialog::showPage(int page)
{
    if (page < 0 || page >= PageCount)
        return;
    m_pages->setCurrentIndex(page);
    const QSignalBlocker blocker(m_pageTree);
    for (int i = 0; i < m_pageTree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_pageTree->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toInt() == page)
            m_pageTree->setCurrentItem(item);
    }
}

void SettingsDialog::fillHotKeyList()
{
    m_hotKeys->clear();
    const QList<HotKeys::Row> &table = HotKeys::table();
    // A command without a shortcut shows its table text, so OK gives it
    // back, unless another command holds that key now.
    const QList<int> shown = HotKeys::shownCodes(m_values.hotKeyCodes);
    for (qsizetype i = 0; i < table.size(); ++i)
        new QTreeWidgetItem(m_hotKeys, {table[i].caption, HotKeys::textOf(shown[i])});
    m_hotKeyCommand->clear();
    m_hotKeyEdit->setKey(QKeyCombination());
}

void SettingsDialog::hotKeyRowChanged(QTreeWidgetItem *current)
{
    m_hotKeyCommand->setText(current ? current->text(0) : QString());
    m_hotKeyEdit->setKey(current ? HotKeys::keyOf(HotKeys::codeOfText(current->text(1))) : QKeyCombination());
}

void SettingsDialog::setHotKey()
{
    QTreeWidgetItem *item = m_hotKeys->currentItem();
    if (!item)
        return;
    const int code = HotKeys::codeOf(m_hotKeyEdit->key());
    for (int i = 0; code != 0 && i < m_hotKeys->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *holder = m_hotKeys->topLevelItem(i);
        if (holder != item && HotKeys::codeOfText(holder->text(1)) == code) {
            m_context.messages.showWarning(QStringLiteral("%1 is already the hot key of \"%2\".\n"
                                                          "Clear it there first to give it to \"%3\".")
                                               .arg(HotKeys::textOf(code), holder->text(0), item->text(0)));
            return;
        }
    }
    item->setText(1, HotKeys::textOf(code));
}

void SettingsDialog::setSwatch(int which, int color)
{
    m_loadColors[which] = color;
    QLabel *swatch = m_swatches[which];
    const QColor shown = SystemColors::fromPlatform(quint32(color));
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, shown);
    swatch->setPalette(palette);
    swatch->setAccessibleDescription(shown.name());
}

void SettingsDialog::chooseLoadColor(int which)
{
    if (which < 0 || which >= int(m_swatches.size()))
        return;
    const QColor chosen = m_chooseColor(SystemColors::fromPlatform(quint32(m_loadColors[which])), this);
    if (chosen.isValid())
        setSwatch(which, SystemColors::toPlatform(chosen));
}

void SettingsDialog::browseBaseDirectory()
{
    const QString chosen = m_context.files.chooseDirectory(
        QStringLiteral("Select the base directory of Unreal Tournament"), m_baseDir->text(), &isGameBaseDirectory);
    if (!chosen.isEmpty() && isGameBaseDirectory(chosen))
        m_baseDir->setText(QDir::cleanPath(chosen));
}

void SettingsDialog::browseOutputDirectory()
{
    QString chosen = m_context.files.chooseDirectory(
        QStringLiteral("Select the directory where the HTML should be placed"), m_outputDir->text());
    if (chosen.isEmpty())
        return;
    chosen = QDir::cleanPath(chosen);
    if (!chosen.endsWith(QLatin1Char('/')))
        chosen += QLatin1Char('/');
    m_outputDir->setText(chosen);
}

void SettingsDialog::browseBuddySound()
{
    const QString chosen = m_context.files.openFile(QStringLiteral("Select buddy join sound"),
                                                    QStringLiteral("Wave files (*.wav);;All files (*.*)"),
                                                    startDirectory(m_buddySound->text()));
    if (!chosen.isEmpty())
        m_buddySound->setText(chosen);
}

void SettingsDialog::browseTemplate()
{
    const QString chosen = m_context.files.openFile(QStringLiteral("Select template file"),
                                                    QStringLiteral("HTML files (*.html *.htm);;All files (*.*)"),
                                                    startDirectory(m_template->text()));
    if (!chosen.isEmpty())
        m_template->setText(chosen);
}

void SettingsDialog::addMasterServer()
{
    const std::optional<QString> text =
        m_askText(QStringLiteral("Add a master server"),
                  QStringLiteral("Please enter the master server location and port."), kMasterPreset);
    if (text && !text->isEmpty() && *text != kMasterPreset)
        m_masterServers->addItem(*text);
}

void SettingsDialog::removeMasterServer()
{
    const QList<QListWidgetItem *> selected = m_masterServers->selectedItems();
    if (!selected.isEmpty())
        delete selected.first();
}

void SettingsDialog::playBuddySound()
{
    const QString file = m_buddySound->text().remove(QLatin1Char('"'));
    m_buddySound->setText(file);
    if (!file.isEmpty())
        m_context.sound.playWave(file);
}

void SettingsDialog::voiceChanged(int index)
{
    if (index >= 0 && m_context.speech)
        m_context.speech->selectVoice(m_voices->itemText(index));
}

void SettingsDialog::testVoice()
{
    const QStringList &phrases = SettingsHints::testPhrases();
    if (m_context.speech && !phrases.isEmpty())
        m_context.speech->say(phrases.at(QRandomGenerator::global()->bounded(int(phrases.size()))));
}

void SettingsDialog::attachHint(QWidget *watched, const char *hintName)
{
    const QString name = QString::fromLatin1(hintName);
    m_hintOf.insert(watched, name);
    watched->installEventFilter(this);
    if (watched->accessibleDescription().isEmpty())
        watched->setAccessibleDescription(SettingsHints::lines(name).join(QLatin1Char(' ')));
}

bool SettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::FocusIn) {
        const auto hint = m_hintOf.constFind(watched);
        if (hint != m_hintOf.constEnd() && m_hint) {
            const QString text = SettingsHints::text(*hint);
            if (m_hint->toPlainText() != text)
                m_hint->setPlainText(text);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    fillHotKeyList();
    showPage(ConnectionPage);
    m_pageTree->setFocus();
    if (m_voices->currentIndex() >= 0 && m_context.speech)
        m_context.speech->selectVoice(m_voices->currentText());
}
