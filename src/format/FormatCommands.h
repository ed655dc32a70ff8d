#pragma once

class QAction;
class frmPenwick;

// Character and paragraph formatting of the selection. The Bold, Italic and Underline
// commands take the new state from their check marks, not from the selection, so that a
// mixed selection becomes wholly one or the other.
class FormatCommands
{
public:
    explicit FormatCommands(frmPenwick &main);

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
    // Inverts the item's check mark and gives back its new state.
    bool toggleMark(const char *item);
    void align(const char *item, int alignment, const char *other1, const char *other2);

    frmPenwick &m_main;
};
