#pragma once

#include <QObject>
#include <QString>

class QAction;
class QToolBar;

// The main window's toolbar: 25 entries (buttons and separators) addressed by 1-based
// position like a button collection, each button known by its key text. Its actions are
// its own, not the menu's: the buttons stay clickable while menu items are disabled, and
// the Bold, Italic and Underline buttons show a pressed state that only the program sets.
class MainToolbar : public QObject
{
    Q_OBJECT

public:
    static constexpr int ButtonCount = 25;
    static constexpr int BoldButton = 14;
    static constexpr int ItalicButton = 15;
    static constexpr int UnderlineButton = 16;

    explicit MainToolbar(QToolBar &bar);

    // Position 1…25; a separator's entry is a separator action.
    QAction *button(int position) const;
    QAction *buttonByKey(const QString &key) const;
    // The drop-down entry with that key ("Font12", "FontGreen", …).
    QAction *menuEntry(const QString &key) const;
    static QString key(const QAction *button);
    // Value: 1 pressed, 0 not.
    static int value(const QAction *button);
    static void setValue(QAction *button, int value);

signals:
    void ButtonClick(const QString &key);
    void ButtonMenuClick(const QString &key);

private:
    QToolBar &m_bar;
    QList<QAction *> m_entries;
    QList<QAction *> m_menuEntries;
};
