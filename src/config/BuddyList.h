#pragma once

#include <QString>
#include <QStringList>

// The buddy names, kept sorted without regard to case, and their stored form.
class BuddyList final
{
public:
    BuddyList() = default;
    explicit BuddyList(const QStringList &names);

    const QStringList &names() const { return m_names; }
    bool contains(const QString &name) const;

    // Adds a name not yet present (compared without regard to case); false
    // when it was already there.
    bool addBuddy(const QString &name);
    bool removeAt(int index);

    // The value of nicknames/buddies.
    QString storedValue() const;

private:
    void sort();

    QStringList m_names;
};
