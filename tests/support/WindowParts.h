#pragma once

#include <QAction>
#include <QObject>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>

// Reaches a window's parts the way a user and a screen reader do: widgets and
// actions by their object names, helpers by their type.
template<typename T>
T *part(const QObject &root, const char *name)
{
    T *found = root.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no " << name;
    return found;
}

template<typename T>
T &part(const QObject &root)
{
    T *found = root.findChild<T *>();
    if (!found) {
        ADD_FAILURE() << "no " << T::staticMetaObject.className();
        std::abort();
    }
    return *found;
}

// Runs a command as its menu item, button or shortcut does.
inline void trigger(const QObject &root, const char *actionName)
{
    if (QAction *action = part<QAction>(root, actionName))
        action->trigger();
}
