// The nine pages of the settings dialog: their controls and layouts.
#include "SettingsDialog.h"

#include "HotKeyEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

namespace {

// A spin box that takes at most a given number of typed characters.
class DigitSpinBox final : public QSpinBox
{
public:
    DigitSpinBox(int digits, QWidget *parent)
        : QSpinBox(parent)
        , m_digits(digits)
    {}

protected:
    QValidator::State validate(QString &input, int &pos) const override
    {
        if (m_digits > 0 && input.size() > m_digits)
            return QValidator::Invalid;
        return QSpinBox::validate(input, pos);
    }

private:
    int m_digits;
};

QString latin1(const char *text)
{
    return QString::fromLatin1(text);
}

QWidget *newPage(const char *name)
{
    auto *page = new QWidget;
    page->setObjectName(latin1(name));
    return page;
}

QLineEdit *newLineEdit(QWidget *parent, const char *name, const QString &accessibleName, bool readOnly = false)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(latin1(name));
    edit->setAccessibleName(accessibleName);
    edit->setReadOnly(readOnly);
    return edit;
}

QCheckBox *newCheckBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(latin1(name));
    box->setAccessibleName(caption);
    return box;
}

// digits 0 leaves the typed length to the range.
QSpinBox *newSpinBox(QWidget *parent, const char *name, const QString &accessibleName, int minimum, int maximum,
                     int digits = 0)
{
    auto *box = new DigitSpinBox(digits, parent);
    box->setObjectName(latin1(name));
    box->setAccessibleName(accessibleName);
    box->setRange(minimum, maximum);
    return box;
}

QPushButton *newButton(QWidget *parent, const char *name, const QString &caption, const QString &accessibleName)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(latin1(name));
    button->setAccessibleName(accessibleName);
    return button;
}

QLabel *newCaption(QWidget *parent, const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QHBoxLayout *row(std::initializer_list<QWidget *> widgets, int stretchIndex = 0)
{
    auto *layout = new QHBoxLayout;
    int index = 0;
    for (QWidget *widget : widgets)
        layout->addWidget(widget, index++ == stretchIndex ? 1 : 0);
    return layout;
}

} // namespace

QTreeWidget *SettingsDialog::buildPageTree()
{
    static const std::pair<const char *, Page> names[] = {
        {"Layout", LayoutPage},
        {"Score Graph", ScoreGraphPage},
        {"Connection", ConnectionPage},
        {"Miscelaneous", MiscelaneousPage},
        {"Locations", LocationsPage},
        {"Hot Keys", HotKeysPage},
        {"Sound", SoundPage},
        {"Notify", NotifyPage},
        {"HTML output", HtmlOutputPage},
    };
    QList<std::pair<QString, int>> sorted;
    for (const auto &[name, page] : names)
        sorted.append({latin1(name), page});
    std::sort(sorted.begin(), sorted.end(),
              [](const auto &a, const auto &b) { return a.first.compare(b.first, Qt::CaseInsensitive) < 0; });
    auto *tree = new QTreeWidget(this);
    tree->setObjectName(QStringLiteral("tv_Pages"));
    tree->setAccessibleName(QStringLiteral("Pages"));
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(false);
    tree->setColumnCount(1);
    for (const auto &[name, page] : sorted) {
        auto *item = new QTreeWidgetItem(tree, {name});
        item->setData(0, Qt::UserRole, page);
    }
    tree->setMaximumWidth(tree->fontMetrics().horizontalAdvance(QStringLiteral("Miscelaneous")) * 2);
    connect(tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        if (current)
            showPage(current->data(0, Qt::UserRole).toInt());
    });
    return tree;
}

QWidget *SettingsDialog::buildLayoutPage()
{
    QWidget *page = newPage("ts_Layout");
    m_titleBar = newLineEdit(page, "ed_TitleBar", QStringLiteral("Title bar content"));
    attachHint(m_titleBar, "ed_TitleBar");

    auto *colors = new QGroupBox(QStringLiteral("Server load colors"), page);
    colors->setObjectName(QStringLiteral("gb_LoadColors"));
    attachHint(colors, "gb_LoadColors");
    auto *grid = new QGridLayout(colors);
    const std::array<std::pair<const char *, QString>, 3> buttons = {{
        {"btn_LoadColor50Minus", QStringLiteral("< 50%")},
        {"btn_LoadColor50Plus", QStringLiteral("> 50%")},
        {"btn_LoadColor100", QStringLiteral("Full")},
    }};
    const QString accessible[] = {QStringLiteral("Load colour below half"), QStringLiteral("Load colour above half"),
                                  QStringLiteral("Load colour of a full server")};
    for (int i = 0; i < 3; ++i) {
        QPushButton *button = newButton(colors, buttons[i].first, buttons[i].second, accessible[i]);
        auto *swatch = new QLabel(colors);
        swatch->setObjectName(
            QString::fromLatin1(buttons[i].first).replace(QStringLiteral("btn_"), QStringLiteral("pnl_")));
        swatch->setAccessibleName(accessible[i]);
        swatch->setFrameShape(QFrame::Box);
        swatch->setAutoFillBackground(true);
        swatch->setMinimumSize(button->sizeHint().height() * 3, button->sizeHint().height());
        m_swatches[i] = swatch;
        attachHint(button, "gb_LoadColors");
        attachHint(swatch, "gb_LoadColors");
        connect(button, &QPushButton::clicked, this, [this, i] { chooseLoadColor(i); });
        grid->addWidget(button, i, 0);
        grid->addWidget(swatch, i, 1);
    }
    grid->setColumnStretch(2, 1);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(newCaption(page, QStringLiteral("Title bar content"), m_titleBar));
    layout->addLayout(row({new QLabel(QStringLiteral("Quorvelin - "), page), m_titleBar}, 1));
    layout->addWidget(colors);
    layout->addStretch();
    return page;
}

SettingsDialog::FrameBoxes SettingsDialog::buildFrameBoxes(QWidget *page, bool team)
{
    const QString part = team ? QStringLiteral("Team") : QStringLiteral("Graph");
    const QString which = team ? QStringLiteral(" (team score)") : QStringLiteral(" (score graph)");
    const QString caption =
        team ? QStringLiteral("3D bars in the team score") : QStringLiteral("3D bars in the score graph");
    FrameBoxes boxes;
    boxes.frame = new QCheckBox(caption, page);
    boxes.frame->setObjectName(QStringLiteral("cb_Frame_") + part);
    boxes.frame->setAccessibleName(caption);
    boxes.thick = new QCheckBox(QStringLiteral("Thick border"), page);
    boxes.thick->setObjectName(QStringLiteral("cb_Thick_") + part);
    boxes.thick->setAccessibleName(QStringLiteral("Thick border") + which);
    boxes.raised = new QCheckBox(QStringLiteral("Raised"), page);
    boxes.raised->setObjectName(QStringLiteral("cb_3DFrame_") + part);
    boxes.raised->setAccessibleName(QStringLiteral("Raised") + which);
    attachHint(boxes.frame, team ? "cb_Frame_Team" : "cb_Frame_Graph");
    connect(boxes.frame, &QCheckBox::toggled, this, [boxes](bool checked) {
        boxes.thick->setEnabled(checked);
        boxes.raised->setEnabled(checked);
    });
    return boxes;
}

QWidget *SettingsDialog::buildScoreGraphPage()
{
    QWidget *page = newPage("ts_ScoreGraph");
    m_minBarWidth = newSpinBox(page, "se_MinBarWidth", QStringLiteral("Minimal bar width"), 0, 65535, 2);
    m_fontSize = newSpinBox(page, "se_DefaultFontSize", QStringLiteral("Default font size"), 1, 72);
    m_exampleSize = new QLabel(QStringLiteral("example size"), page);
    m_exampleSize->setObjectName(QStringLiteral("lbl_ExampleSize"));
    attachHint(m_minBarWidth, "se_MinBarWidth");
    attachHint(m_fontSize, "se_DefaultFontSize");
    m_exampleSize->setAccessibleName(QStringLiteral("Example of the font size"));
    connect(m_fontSize, &QSpinBox::valueChanged, this, &SettingsDialog::showExampleSize);
    m_teamFrame = buildFrameBoxes(page, true);
    m_graphFrame = buildFrameBoxes(page, false);

    auto *form = new QFormLayout;
    form->addRow(newCaption(page, QStringLiteral("Minimal bar width"), m_minBarWidth), m_minBarWidth);
    form->addRow(newCaption(page, QStringLiteral("Default font size"), m_fontSize),
                 row({m_fontSize, m_exampleSize}, 1));
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(form);
    for (const FrameBoxes &boxes : {m_teamFrame, m_graphFrame}) {
        layout->addWidget(boxes.frame);
        auto *sub = row({boxes.thick, boxes.raised}, 2);
        sub->setContentsMargins(boxes.frame->style()->pixelMetric(QStyle::PM_IndicatorWidth) * 2, 0, 0, 0);
        sub->addStretch();
        layout->addLayout(sub);
    }
    layout->addStretch();
    return page;
}

QWidget *SettingsDialog::buildConnectionPage()
{
    QWidget *page = newPage("ts_Connection");
    m_localPort = newSpinBox(page, "se_LocalPort", QStringLiteral("Local connection port"), 0, 65535, 5);
    m_timeOut = newSpinBox(page, "se_ServerTimeOut", QStringLiteral("Server time-out"), 1, 90, 2);
    m_sleepTime = newSpinBox(page, "se_SleepTime", QStringLiteral("Server scan delay"), 0, 1000);
    attachHint(m_localPort, "se_LocalPort");
    attachHint(m_timeOut, "se_ServerTimeOut");
    attachHint(m_sleepTime, "se_SleepTime");
    auto *form = new QFormLayout(page);
    form->addRow(newCaption(page, QStringLiteral("Local connection port"), m_localPort), m_localPort);
    form->addRow(newCaption(page, QStringLiteral("Server time-out"), m_timeOut), m_timeOut);
    form->addRow(newCaption(page, QStringLiteral("Server scan delay"), m_sleepTime), m_sleepTime);
    return page;
}

QWidget *SettingsDialog::buildMiscelaneousPage()
{
    QWidget *page = newPage("ts_Miscelaneous");
    m_baseDir = newLineEdit(page, "ed_UTBaseDir", QStringLiteral("Unreal Tournament base directory"));
    QPushButton *browse =
        newButton(page, "btn_BrowseUTBaseDir", QStringLiteral("..."), QStringLiteral("Browse for the base directory"));
    m_lastVersion = new QLabel(page);
    m_lastVersion->setObjectName(QStringLiteral("lbl_LastVersionChecked"));
    m_lastVersion->setAccessibleName(QStringLiteral("Last version checked"));
    m_lastVersion->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_runParams = newLineEdit(page, "ed_RunParams", QStringLiteral("Aditional run parameters"));
    m_checkVersion = newCheckBox(page, "cb_CheckVersionAtStartUp", QStringLiteral("Check for new version at start-up"));
    m_rememberChecks = newCheckBox(page, "cb_RememberChecks", QStringLiteral("Remember server list checks"));
    m_promptOnRun = newCheckBox(page, "cb_PromptOnRun", QStringLiteral("Prompt on launch"));
    m_closeOnJoin = newCheckBox(page, "cb_CloseOnJoin", QStringLiteral("Close Quorvelin when joining a server"));
    attachHint(m_baseDir, "ed_UTBaseDir");
    attachHint(browse, "ed_UTBaseDir");
    attachHint(m_lastVersion, "lbl_LastVersionChecked");
    attachHint(m_runParams, "ed_RunParams");
    attachHint(m_checkVersion, "cb_CheckVersionAtStartUp");
    attachHint(m_rememberChecks, "cb_RememberChecks");
    attachHint(m_promptOnRun, "cb_PromptOnRun");
    attachHint(m_closeOnJoin, "cb_CloseOnJoin");
    connect(browse, &QPushButton::clicked, this, &SettingsDialog::browseBaseDirectory);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(newCaption(page, QStringLiteral("Unreal Tournament base directory"), m_baseDir));
    layout->addLayout(row({m_baseDir, browse}));
    auto *lastVersionCaption = newCaption(page, QStringLiteral("Last version checked:"), m_lastVersion);
    attachHint(lastVersionCaption, "lbl_LastVersionChecked");
    layout->addLayout(row({lastVersionCaption, m_lastVersion}, 1));
    layout->addWidget(newCaption(page, QStringLiteral("Aditional run parameters"), m_runParams));
    layout->addWidget(m_runParams);
    for (QCheckBox *box : {m_checkVersion, m_rememberChecks, m_promptOnRun, m_closeOnJoin})
        layout->addWidget(box);
    layout->addStretch();
    return page;
}

QWidget *SettingsDialog::buildLocationsPage()
{
    QWidget *page = newPage("ts_Locations");
    m_versionServers = new QListWidget(page);
    m_versionServers->setObjectName(QStringLiteral("lb_VersionServers"));
    m_versionServers->setAccessibleName(QStringLiteral("Version database servers"));
    m_versionServers->setEnabled(false);
    m_versionServers->setMaximumHeight(m_versionServers->fontMetrics().height() * 4);
    m_masterServers = new QListWidget(page);
    m_masterServers->setObjectName(QStringLiteral("lb_MasterServers"));
    m_masterServers->setAccessibleName(QStringLiteral("Master servers"));
    QPushButton *add =
        newButton(page, "btn_AddMasterServer", QStringLiteral("+"), QStringLiteral("Add a master server"));
    QPushButton *remove =
        newButton(page, "btn_RemoveMasterServer", QStringLiteral("-"), QStringLiteral("Remove selected server"));
    m_ngWorldStats = newLineEdit(page, "ed_ngWorldStats", QStringLiteral("ngWorldStats server"));
    auto *versionCaption = newCaption(page, QStringLiteral("Version database servers"), m_versionServers);
    attachHint(versionCaption, "lb_VersionServers");
    attachHint(m_versionServers, "lb_VersionServers");
    attachHint(m_masterServers, "lb_MasterServers");
    attachHint(add, "btn_AddMasterServer");
    attachHint(remove, "btn_RemoveMasterServer");
    attachHint(m_ngWorldStats, "ed_ngWorldStats");
    connect(add, &QPushButton::clicked, this, &SettingsDialog::addMasterServer);
    connect(remove, &QPushButton::clicked, this, &SettingsDialog::removeMasterServer);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto *masters = new QHBoxLayout;
    masters->addWidget(m_masterServers, 1);
    masters->addLayout(buttons);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(versionCaption);
    layout->addWidget(m_versionServers);
    layout->addWidget(newCaption(page, QStringLiteral("Master servers"), m_masterServers));
    layout->addLayout(masters, 1);
    layout->addWidget(newCaption(page, QStringLiteral("ngWorldStats server"), m_ngWorldStats));
    layout->addWidget(m_ngWorldStats);
    return page;
}

QWidget *SettingsDialog::buildHotKeysPage()
{
    QWidget *page = newPage("ts_HotKeys");
    m_hotKeys = new QTreeWidget(page);
    m_hotKeys->setObjectName(QStringLiteral("lv_HotKeys"));
    m_hotKeys->setAccessibleName(QStringLiteral("Hot keys"));
    m_hotKeys->setHeaderLabels({QStringLiteral("Command"), QStringLiteral("Hot key")});
    m_hotKeys->setRootIsDecorated(false);
    m_hotKeys->setAllColumnsShowFocus(true);
    m_hotKeys->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_hotKeys->header()->setStretchLastSection(false);
    m_hotKeyCommand = newLineEdit(page, "ed_HotKeyCommand", QStringLiteral("Command"), true);
    m_hotKeyEdit = new HotKeyEdit(page);
    m_hotKeyEdit->setObjectName(QStringLiteral("hk_HotKey"));
    m_hotKeyEdit->setAccessibleName(QStringLiteral("Hot key"));
    QPushButton *set = newButton(page, "btn_SetHotKey", QStringLiteral("Set hot key"), QStringLiteral("Set hot key"));
    attachHint(m_hotKeys, "lv_HotKeys");
    attachHint(m_hotKeyCommand, "ed_HotKeyCommand");
    attachHint(m_hotKeyEdit, "hk_HotKey");
    attachHint(set, "btn_SetHotKey");
    connect(m_hotKeys, &QTreeWidget::currentItemChanged, this, &SettingsDialog::hotKeyRowChanged);
    connect(set, &QPushButton::clicked, this, &SettingsDialog::setHotKey);

    auto *form = new QFormLayout;
    form->addRow(newCaption(page, QStringLiteral("Command"), m_hotKeyCommand), m_hotKeyCommand);
    form->addRow(newCaption(page, QStringLiteral("Hot key"), m_hotKeyEdit), row({m_hotKeyEdit, set}));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_hotKeys, 1);
    layout->addLayout(form);
    return page;
}

QWidget *SettingsDialog::buildSoundPage()
{
    QWidget *page = newPage("ts_Sound");
    m_buddySound = newLineEdit(page, "ed_BuddySound", QStringLiteral("Buddy join sound"));
    QPushButton *browse = newButton(page, "btn_BrowseBuddySound", QStringLiteral("..."),
                                    QStringLiteral("Browse for the buddy join sound"));
    QPushButton *play = newButton(page, "btn_PlayBuddySound", QStringLiteral("Play"), QStringLiteral("Play the sound"));
    m_computerVoice = newCheckBox(page, "cb_ComputerVoice", QStringLiteral("Computer voice"));
    m_voices = new QComboBox(page);
    m_voices->setObjectName(QStringLiteral("cb_Voices"));
    m_voices->setAccessibleName(QStringLiteral("Voice"));
    m_testVoice = newButton(page, "btn_TestVoice", QStringLiteral("Test"), QStringLiteral("Test the voice"));
    m_buddySpeech = newLineEdit(page, "ed_BuddySpeechFormat", QStringLiteral("What to say on buddy join"));
    for (QWidget *control :
         {static_cast<QWidget *>(m_buddySound), static_cast<QWidget *>(browse), static_cast<QWidget *>(play)})
        attachHint(control, "ed_BuddySound");
    for (QWidget *control : {static_cast<QWidget *>(m_computerVoice), static_cast<QWidget *>(m_voices),
                             static_cast<QWidget *>(m_testVoice)})
        attachHint(control, "cb_Voices");
    attachHint(m_buddySpeech, "ed_BuddySpeechFormat");
    connect(browse, &QPushButton::clicked, this, &SettingsDialog::browseBuddySound);
    connect(play, &QPushButton::clicked, this, &SettingsDialog::playBuddySound);
    connect(m_testVoice, &QPushButton::clicked, this, &SettingsDialog::testVoice);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(newCaption(page, QStringLiteral("Buddy join sound"), m_buddySound));
    layout->addLayout(row({m_buddySound, browse, play}));
    layout->addWidget(m_computerVoice);
    layout->addLayout(row({m_voices, m_testVoice}));
    layout->addWidget(newCaption(page, QStringLiteral("What to say on buddy join"), m_buddySpeech));
    layout->addWidget(m_buddySpeech);
    layout->addStretch();
    return page;
}

QWidget *SettingsDialog::buildNotifyPage()
{
    QWidget *page = newPage("ts_Notify");
    auto *label = new QLabel(QStringLiteral("this feature isn't going to be build I guess"), page);
    label->setObjectName(QStringLiteral("lbl_Notify"));
    label->setEnabled(false);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(label);
    layout->addStretch();
    return page;
}

QWidget *SettingsDialog::buildHtmlOutputPage()
{
    QWidget *page = newPage("ts_HTMLOutput");
    m_template = newLineEdit(page, "ed_HtmlTemplate", QStringLiteral("HTML Template"), true);
    QPushButton *browseTemplate =
        newButton(page, "btn_BrowseHtmlTemplate", QStringLiteral("..."), QStringLiteral("Browse for the template"));
    m_output = newLineEdit(page, "ed_HtmlOutput", QStringLiteral("Filename format"));
    m_outputDir = newLineEdit(page, "ed_HtmlOutputDir", QStringLiteral("Output file location"), true);
    QPushButton *browseDir = newButton(page, "btn_BrowseHtmlOutputDir", QStringLiteral("..."),
                                       QStringLiteral("Browse for the output directory"));
    m_command = newLineEdit(page, "ed_HtmlCommand", QStringLiteral("Command to execute after output"));
    m_htmlEnabled = newCheckBox(page, "cb_HtmlEnabled", QStringLiteral("Create HTML files every"));
    m_htmlInterval = newSpinBox(page, "se_HtmlInterval", QStringLiteral("Minutes between HTML files"), 0, 60);
    attachHint(m_template, "ed_HtmlTemplate");
    attachHint(browseTemplate, "ed_HtmlTemplate");
    attachHint(m_output, "ed_HtmlOutput");
    attachHint(m_outputDir, "ed_HtmlOutputDir");
    attachHint(browseDir, "ed_HtmlOutputDir");
    attachHint(m_command, "ed_HtmlCommand");
    connect(browseTemplate, &QPushButton::clicked, this, &SettingsDialog::browseTemplate);
    connect(browseDir, &QPushButton::clicked, this, &SettingsDialog::browseOutputDirectory);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(newCaption(page, QStringLiteral("HTML Template"), m_template));
    layout->addLayout(row({m_template, browseTemplate}));
    layout->addWidget(newCaption(page, QStringLiteral("Filename format"), m_output));
    layout->addWidget(m_output);
    layout->addWidget(newCaption(page, QStringLiteral("Output file location"), m_outputDir));
    layout->addLayout(row({m_outputDir, browseDir}));
    layout->addWidget(newCaption(page, QStringLiteral("Command to execute after output"), m_command));
    layout->addWidget(m_command);
    auto *minutes = new QLabel(QStringLiteral("minute(s)"), page);
    auto *timer = row({m_htmlEnabled, m_htmlInterval, minutes}, 3);
    timer->addStretch();
    layout->addLayout(timer);
    layout->addStretch();
    return page;
}
