#pragma once

#include <QPointer>

class QAction;
class Workspace;
class frmSearch;

// Find, Find Next and Find and Replace through the modeless search dialog.
class SearchCommands
{
public:
    // saveWinState: the Options menu item that says whether the dialog keeps its place.
    SearchCommands(Workspace &workspace, QAction &saveWinState);
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

    Workspace &m_workspace;
    QAction &m_saveWinState;
    QPointer<frmSearch> m_dialog;
};
