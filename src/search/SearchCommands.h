#pragma once

class frmPenwick;

// Find, Find Next and Find and Replace through the modeless search dialog.
class SearchCommands
{
public:
    explicit SearchCommands(frmPenwick &main);

    void find();
    void findNext();
    void findReplace();
    // Closes the search dialog, if loaded, as the program ends.
    void unloadDialog();

private:
    frmPenwick &m_main;
};
