#pragma once

#include <QAction>
#include <QMenu>
#include <QWidget>

// Tests reach the main window's menu items by their names, as a user reaches them by their
// captions; a name that is not there stops the test run at once.
inline QAction *action(const QWidget &window, const char *name)
{
    auto *item = window.findChild<QAction *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!item)
        qFatal("no menu item %s", name);
    return item;
}

inline QMenu *menu(const QWidget &window, const char *name)
{
    auto *found = window.findChild<QMenu *>(QLatin1String(name));
    if (!found)
        qFatal("no menu %s", name);
    return found;
}
