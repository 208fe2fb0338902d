#include "BuddiesPage.h"

#include "widgets/PlainToolTip.h"

#include <QAction>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

BuddiesPage::BuddiesPage(QWidget *parent)
    : QWidget(parent)
    , m_list(new QListWidget(this))
    , m_newBuddy(new QLineEdit(this))
{
    setObjectName(QStringLiteral("ts_Buddies"));
    m_list->setObjectName(QStringLiteral("lb_Buddies"));
    m_list->setAccessibleName(QStringLiteral("Buddies"));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->installEventFilter(this);
    m_newBuddy->setObjectName(QStringLiteral("ed_NewBuddy"));
    m_newBuddy->setAccessibleName(QStringLiteral("New buddy"));
    auto *add = new QPushButton(QStringLiteral("<< Add buddy"), this);
    add->setObjectName(QStringLiteral("btn_AddBuddy"));
    auto *remove = new QPushButton(QStringLiteral(">> Remove Buddies"), this);
    remove->setObjectName(QStringLiteral("btn_RemoveBuddies"));

    connect(add, &QPushButton::clicked, this, &BuddiesPage::addBuddy);
    connect(m_newBuddy, &QLineEdit::returnPressed, this, &BuddiesPage::addBuddy);
    connect(remove, &QPushButton::clicked, this, &BuddiesPage::removeSelected);
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { Q_EMIT buddyClicked(nameOf(item)); });
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item)
            Q_EMIT buddyClicked(nameOf(item));
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { Q_EMIT buddyDoubleClicked(nameOf(item)); });
    connect(m_list, &QListWidget::itemChanged, this, [this] {
        if (!m_filling)
            Q_EMIT markToggled();
    });
    connect(m_list, &QListWidget::customContextMenuRequested, this, &BuddiesPage::showMenu);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_list, 0, 0, 3, 1);
    layout->addWidget(m_newBuddy, 0, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(remove, 2, 1, Qt::AlignTop);
    layout->setColumnStretch(0, 1);
}

void BuddiesPage::setNames(const QStringList &names)
{
    const QList<bool> old = marks();
    const QStringList oldNames = this->names();
    m_filling = true;
    m_list->clear();
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(name, m_list);
        item->setData(Qt::UserRole, name);
        item->setData(Qt::AccessibleTextRole, name);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        const qsizetype before = oldNames.indexOf(name);
        item->setCheckState(before >= 0 && old[before] ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
}

QStringList BuddiesPage::names() const
{
    QStringList result;
    for (int i = 0; i < m_list->count(); ++i)
        result.append(nameOf(m_list->item(i)));
    return result;
}

QString BuddiesPage::nameOf(const QListWidgetItem *item)
{
    // The text also tells where the buddy is; the name is kept apart.
    return item->data(Qt::UserRole).toString();
}

QList<bool> BuddiesPage::marks() const
{
    QList<bool> result;
    for (int i = 0; i < m_list->count(); ++i)
        result.append(m_list->item(i)->checkState() == Qt::Checked);
    return result;
}

void BuddiesPage::setMarks(const QList<bool> &marks)
{
    m_filling = true;
    for (int i = 0; i < m_list->count() && i < marks.size(); ++i)
        m_list->item(i)->setCheckState(marks[i] ? Qt::Checked : Qt::Unchecked);
    m_filling = false;
}

void BuddiesPage::setPlaces(const QStringList &places)
{
    m_filling = true;
    for (int i = 0; i < m_list->count() && i < places.size(); ++i) {
        QListWidgetItem *item = m_list->item(i);
        const QString name = nameOf(item);
        const QString text = places[i].isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, places[i]);
        // Set at every scan: an item that did not change is left alone.
        if (item->text() == text)
            continue;
        item->setText(text);
        item->setToolTip(plainToolTip(places[i]));
        item->setData(Qt::AccessibleDescriptionRole, places[i]);
    }
    m_filling = false;
}

void BuddiesPage::setMenuActions(const QList<QAction *> &actions)
{
    m_menuActions = actions;
}

void BuddiesPage::addBuddy()
{
    const QString name = m_newBuddy->text();
    if (name.isEmpty())
        return;
    Q_EMIT addRequested(name);
    m_newBuddy->clear();
}

void BuddiesPage::removeSelected()
{
    const int row = m_list->currentRow();
    if (row >= 0 && m_list->item(row)->isSelected())
        Q_EMIT removeRequested(row);
}

bool BuddiesPage::eventFilter(QObject *watched, QEvent *event)
{
    // Delete released in the list acts as the remove button.
    if (watched == m_list && event->type() == QEvent::KeyRelease
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        removeSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void BuddiesPage::showMenu(const QPoint &position)
{
    QMenu menu(this);
    menu.addActions(m_menuActions);
    if (!m_menuActions.isEmpty())
        menu.setDefaultAction(m_menuActions.first());
    menu.exec(m_list->viewport()->mapToGlobal(position));
}
