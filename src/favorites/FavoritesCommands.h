#pragma once

#include "prefs/frmDirDialog.h"

class DocumentCommands;
class QAction;
class Workspace;

// Opens the favourite files and folders dialog.
class FavoritesCommands
{
public:
    FavoritesCommands(Workspace &workspace, DocumentCommands &documents, QAction &saveWinState,
                      const OpenPathItems &openPaths);

    void open();

private:
    Workspace &m_workspace;
    DocumentCommands &m_documents;
    QAction &m_saveWinState;
    OpenPathItems m_openPaths;
};
