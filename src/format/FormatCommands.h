#pragma once

class QAction;
class Workspace;

// Character and paragraph formatting of the selection. The Bold, Italic and Underline
// commands take the new state from their check marks, not from the selection, so that a
// mixed selection becomes wholly one or the other.
class FormatCommands
{
public:
    // The menu items whose marks the commands read and set; the three alignments are one
    // exclusive group.
    struct Items {
        QAction &bold;
        QAction &italic;
        QAction &underline;
    };

    FormatCommands(Workspace &workspace, const Items &items);

    void font();
    void textColor();
    void bold();
    void italic();
    void underline();
    void regular();
    void alignLeft();
    void center();
    void alignRight();
    void resetAll();

private:
    Workspace &m_workspace;
    Items m_items;
};
