#pragma once

class QAction;
class QString;
class RichTextBox;
class Workspace;

// The Edit menu: clipboard, undo, delete, clear, selection commands, insertions, word wrap.
class EditCommands
{
public:
    // The menu items whose state the commands keep.
    struct Items {
        QAction &undo;
        QAction &cut;
        QAction &copy;
        QAction &paste;
        QAction &deleteSelection;
        QAction &wordWrap;
    };

    EditCommands(Workspace &workspace, const Items &items);

    void undo();
    void cut();
    void copy();
    void paste();
    void deleteSelection();
    void clearAll();
    // Enables Cut, Copy, Delete, Paste and Undo as the selection, clipboard and history allow.
    void updateEditMenu();
    bool txCanUndo() const;
    void selectWord();
    void selectSentence();
    void selectAll();
    void insertDateTime();
    void insertTime();
    void insertLongDate();
    void insertLine();
    void insertCustomLine();
    void wordWrap();

private:
    RichTextBox &editor() const;
    // Selects the run around the caret that holds none of the delimiters.
    void selectBetween(const QString &delimiters);

    Workspace &m_workspace;
    Items m_items;
};
