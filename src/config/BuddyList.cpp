#include "BuddyList.h"

#include "CommaText.h"

#include <algorithm>

BuddyList::BuddyList(const QStringList &names)
    : m_names(names)
{
    sort();
}

void BuddyList::sort()
{
    std::stable_sort(m_names.begin(), m_names.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

bool BuddyList::contains(const QString &name) const
{
    return m_names.contains(name, Qt::CaseInsensitive);
}

bool BuddyList::addBuddy(const QString &name)
{
    if (contains(name))
        return false;
    m_names.append(name);
    sort();
    return true;
}

bool BuddyList::removeAt(int index)
{
    if (index < 0 || index >= m_names.size())
        return false;
    m_names.removeAt(index);
    return true;
}

QString BuddyList::storedValue() const
{
    return CommaText::join(m_names);
}
