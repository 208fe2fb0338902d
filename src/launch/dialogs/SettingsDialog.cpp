#include "SettingsDialog.h"

#include "SettingsHints.h"
#include "settings/ConnectionSettingsPage.h"
#include "settings/GeneralSettingsPage.h"
#include "settings/HotKeysSettingsPage.h"
#include "settings/HtmlOutputSettingsPage.h"
#include "settings/LayoutSettingsPage.h"
#include "settings/LocationsSettingsPage.h"
#include "settings/NotifySettingsPage.h"
#include "settings/ScoreGraphSettingsPage.h"
#include "settings/SoundSettingsPage.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

struct PageName
{
    const char *name;
    SettingsDialog::Page page;
};

constexpr std::array<PageName, SettingsDialog::PageCount> kPageNames = {{
    {"Layout", SettingsDialog::LayoutPage},
    {"Score Graph", SettingsDialog::ScoreGraphPage},
    {"Connection", SettingsDialog::ConnectionPage},
    {"Miscelaneous", SettingsDialog::MiscelaneousPage},
    {"Locations", SettingsDialog::LocationsPage},
    {"Hot Keys", SettingsDialog::HotKeysPage},
    {"Sound", SettingsDialog::SoundPage},
    {"Notify", SettingsDialog::NotifyPage},
    {"HTML output", SettingsDialog::HtmlOutputPage},
}};

} // namespace

SettingsDialog::SettingsDialog(const Context &context, const Values &values, const QStringList &voiceNames,
                               QWidget *parent)
    : QDialog(parent)
    , m_pageContext{
          context.files,
          context.sound,
          context.speech,
          context.messages,
          [](const QColor &initial, QWidget *owner) { return QColorDialog::getColor(initial, owner); },
          [this](const QString &title, const QString &prompt, const QString &preset) -> std::optional<QString> {
              bool ok = false;
              const QString text = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, preset, &ok);
              return ok ? std::optional<QString>(text) : std::nullopt;
          },
          [this](QWidget *control, const QString &hintName) { attachHint(control, hintName); },
      }
    , m_values(values)
{
    setObjectName(QStringLiteral("Tfrm_Settings"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);

    // Created in the order the Tab key walks: page names, page, hint, buttons.
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pc_Settings"));
    m_pageTree = buildPageTree();
    m_hotKeysPage = new HotKeysSettingsPage(m_pageContext);
    m_pageWidgets = {new LayoutSettingsPage(m_pageContext),
                     new ScoreGraphSettingsPage(m_pageContext),
                     new ConnectionSettingsPage(m_pageContext),
                     new GeneralSettingsPage(m_pageContext),
                     new LocationsSettingsPage(m_pageContext),
                     m_hotKeysPage,
                     new SoundSettingsPage(m_pageContext, voiceNames),
                     new NotifySettingsPage(m_pageContext),
                     new HtmlOutputSettingsPage(m_pageContext)};
    for (SettingsPage *page : m_pageWidgets)
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

    for (SettingsPage *page : m_pageWidgets)
        page->load(values);
    showPage(ConnectionPage);
}

SettingsDialog::~SettingsDialog() = default;

QTreeWidget *SettingsDialog::buildPageTree()
{
    std::array<PageName, PageCount> sorted = kPageNames;
    std::sort(sorted.begin(), sorted.end(), [](const PageName &a, const PageName &b) {
        return QString::fromLatin1(a.name).compare(QString::fromLatin1(b.name), Qt::CaseInsensitive) < 0;
    });
    auto *tree = new QTreeWidget(this);
    tree->setObjectName(QStringLiteral("tv_Pages"));
    tree->setAccessibleName(QStringLiteral("Pages"));
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(false);
    tree->setColumnCount(1);
    for (const PageName &page : sorted) {
        auto *item = new QTreeWidgetItem(tree, {QString::fromLatin1(page.name)});
        item->setData(0, Qt::UserRole, int(page.page));
    }
    tree->setMaximumWidth(tree->fontMetrics().horizontalAdvance(QStringLiteral("Miscelaneous")) * 2);
    connect(tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        if (current)
            showPage(current->data(0, Qt::UserRole).toInt());
    });
    return tree;
}

SettingsDialog::Values SettingsDialog::values() const
{
    Values values = m_values;
    for (const SettingsPage *page : m_pageWidgets)
        page->store(values);
    return values;
}

void SettingsDialog::accept()
{
    if (m_commit && !m_commit(values()))
        return;
    QDialog::accept();
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

void SettingsDialog::attachHint(QWidget *control, const QString &hintName)
{
    const QStringList lines = SettingsHints::lines(hintName);
    if (lines.isEmpty())
        return;
    m_hintOf.insert(control, hintName);
    control->installEventFilter(this);
    if (control->accessibleDescription().isEmpty())
        control->setAccessibleDescription(lines.join(QLatin1Char(' ')));
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
    for (SettingsPage *page : m_pageWidgets)
        page->dialogShown();
    showPage(ConnectionPage);
    m_pageTree->setFocus();
}
