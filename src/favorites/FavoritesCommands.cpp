#include "favorites/FavoritesCommands.h"

#include "document/Workspace.h"
#include "favorites/frmFavorites.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "platform/WindowGeometry.h"

#include <QPushButton>

FavoritesCommands::FavoritesCommands(Workspace &workspace, DocumentCommands &documents, QAction &saveWinState,
                                     const OpenPathItems &openPaths)
    : m_workspace(workspace)
    , m_documents(documents)
    , m_saveWinState(saveWinState)
    , m_openPaths(openPaths)
{
}

void FavoritesCommands::open()
{
    // The edits are given up only when a favourite takes their place.
    if (!m_workspace.MayDiscardChanges())
        return;
    SetTopmost(0, &m_workspace.mainWindow());
    frmFavorites dialog(m_workspace, m_documents, m_saveWinState, m_openPaths, &m_workspace.mainWindow());
    dialog.cmdAddActive()->setEnabled(!m_workspace.doc().CurrentFile.isEmpty());
    prompter().execDialog(dialog);
    dialog.unload();
}
