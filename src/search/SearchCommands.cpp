#include "search/SearchCommands.h"

#include "document/Workspace.h"
#include "platform/WindowGeometry.h"
#include "search/frmSearch.h"

#include <QLineEdit>
#include <QPushButton>

SearchCommands::SearchCommands(Workspace &workspace, QAction &saveWinState)
    : m_workspace(workspace)
    , m_saveWinState(saveWinState)
{
}

SearchCommands::~SearchCommands()
{
    // A window destroyed without closing has no shutdown to store the position in.
    delete m_dialog.data();
}

frmSearch *SearchCommands::dialog() const
{
    return m_dialog && !m_dialog->isUnloaded() ? m_dialog.data() : nullptr;
}

frmSearch &SearchCommands::loadedDialog()
{
    // A dialog closed with its close box is on its way out; the next command loads afresh.
    if (!dialog())
        m_dialog = new frmSearch(m_workspace, m_saveWinState);
    return *m_dialog;
}

frmSearch &SearchCommands::showDialog(const QString &title)
{
    SetTopmost(0, &m_workspace.mainWindow());
    frmSearch &search = loadedDialog();
    search.setWindowTitle(title);
    search.ShowSearchDialog();
    return search;
}

void SearchCommands::find()
{
    frmSearch &search = showDialog(frmSearch::findTitle());
    search.txtFind->setFocus();
    search.txtFind->selectAll();
    SetTopmost(1, &search);
}

void SearchCommands::findNext()
{
    frmSearch &search = showDialog(frmSearch::findTitle());
    if (search.txtFind->text().isEmpty()) {
        search.txtFind->setFocus();
    } else {
        search.cmdFindNext->setFocus();
        search.queueFindNext();
    }
    SetTopmost(1, &search);
}

void SearchCommands::findReplace()
{
    frmSearch &search = showDialog(frmSearch::replaceTitle());
    SetTopmost(1, &search);
}

void SearchCommands::unloadDialog()
{
    // As its close box does: the dialog unloads and goes.
    if (frmSearch *search = dialog())
        search->close();
}
