#pragma once

#include <QColor>
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
    // The buttons' positions.
    enum Button {
        NewButton = 1,
        OpenButton = 2,
        SaveButton = 4,
        SaveAsButton = 5,
        SaveSelectionButton = 6,
        FindButton = 8,
        CutButton = 10,
        CopyButton = 11,
        PasteButton = 12,
        BoldButton = 14,
        ItalicButton = 15,
        UnderlineButton = 16,
        FontButton = 18,
        ColorButton = 19,
        FavoritesButton = 21,
        HelpButton = 23,
        ExitButton = 25,
    };

    explicit MainToolbar(QToolBar &bar);

    // Position 1…25; a separator's entry is a separator action.
    QAction *button(int position) const;
    QAction *buttonByKey(const QString &key) const;
    // The drop-down entry with that key ("Font12", "FontGreen", …).
    QAction *menuEntry(const QString &key) const;
    static QString key(const QAction *button);
    // Value: 1 pressed, 0 not.
    static int value(const QAction *button);

signals:
    // An entry of the Font or Color button's drop-down was chosen.
    void fontSizeChosen(float points);
    void colorChosen(const QColor &color);

private:
    QToolBar &m_bar;
    QList<QAction *> m_entries;
    QList<QAction *> m_menuEntries;
};
