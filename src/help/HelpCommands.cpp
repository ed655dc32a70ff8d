#include "help/HelpCommands.h"

#include "app/AppInfo.h"
#include "app/frmPenwick.h"
#include "help/frmAbout.h"
#include "platform/HelpViewer.h"
#include "platform/Prompter.h"

HelpCommands::HelpCommands(frmPenwick &main)
    : m_main(main)
{
}

void HelpCommands::helpTopics()
{
    QString error;
    if (!HelpViewer::showHelp(&m_main, appinfo::helpFileName(), QString(), &error))
        prompter().messageBox(&m_main, error, msgbox::OKOnly, appinfo::title());
}

void HelpCommands::about()
{
    SetTopmost(0, &m_main);
    frmAbout box(m_main, &m_main);
    prompter().execDialog(box);
    box.unload();
}
