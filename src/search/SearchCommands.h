#pragma once

#include <QPointer>

class frmPenwick;
class frmSearch;

// Find, Find Next and Find and Replace through the modeless search dialog.
class SearchCommands
{
public:
    explicit SearchCommands(frmPenwick &main);
    ~SearchCommands();

    void find();
    void findNext();
    void findReplace();
    // Closes the search dialog, if loaded, as the program ends.
    void unloadDialog();

    // The loaded dialog, or nullptr.
    frmSearch *dialog() const;

private:
    frmSearch &loadedDialog();
    // The main window gives up staying on top, the dialog is shown in the given mode.
    frmSearch &showDialog(const QString &title);

    frmPenwick &m_main;
    QPointer<frmSearch> m_dialog;
};
