#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;

// The "Buddies" page: the buddy names sorted without regard to case, each
// with a check mark for "on the selected server now" and where the buddy is
// or was last seen, an edit box with "<< Add buddy" and ">> Remove Buddies".
class BuddiesPage final : public QWidget
{
    Q_OBJECT
public:
    explicit BuddiesPage(QWidget *parent = nullptr);

    void setNames(const QStringList &names);
    QStringList names() const;
    QList<bool> marks() const;
    void setMarks(const QList<bool> &marks);
    // One text per buddy in list order, "on Frag Zone" or "last seen 14:05
    // on Frag Zone"; empty where nothing is known.
    void setPlaces(const QStringList &places);
    // The entries of the buddy list's context menu after its caption item.
    void setMenuActions(const QList<QAction *> &actions);

    QListWidget *list() const { return m_list; }

Q_SIGNALS:
    void addRequested(const QString &name);
    void removeRequested(int index);
    // A click on an entry: its name becomes the selected player name.
    void buddyClicked(const QString &name);
    // The user set or cleared a check mark.
    void markToggled();
    // A double click on an entry: show the server the buddy is or was on.
    void buddyDoubleClicked(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addBuddy();
    void removeSelected();
    void showMenu(const QPoint &position);
    static QString nameOf(const QListWidgetItem *item);

    QListWidget *m_list;
    QLineEdit *m_newBuddy;
    QList<QAction *> m_menuActions;
    bool m_filling = false;
};
