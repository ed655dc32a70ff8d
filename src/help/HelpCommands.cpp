#include "help/HelpCommands.h"

#include "document/Workspace.h"
#include "help/frmAbout.h"
#include "platform/AppInfo.h"
#include "platform/HelpViewer.h"
#include "platform/Prompter.h"
#include "platform/WindowGeometry.h"

HelpCommands::HelpCommands(Workspace &workspace)
    : m_workspace(workspace)
{
}

void HelpCommands::helpTopics()
{
    QString error;
    if (!HelpViewer::showHelp(&m_workspace.mainWindow(), appinfo::helpFileName(), QString(), &error))
        prompter().messageBox(&m_workspace.mainWindow(), error, msgbox::OKOnly, appinfo::title());
}

void HelpCommands::about()
{
    SetTopmost(0, &m_workspace.mainWindow());
    frmAbout box(m_workspace, &m_workspace.mainWindow());
    prompter().execDialog(box);
    box.unload();
}
