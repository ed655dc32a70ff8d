#include "help/HelpCommands.h"

#include "app/frmPenwick.h"

HelpCommands::HelpCommands(frmPenwick &main)
    : m_main(main)
{
}

void HelpCommands::helpTopics()
{
}

void HelpCommands::about()
{
}
