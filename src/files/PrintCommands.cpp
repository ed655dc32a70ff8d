#include "files/PrintCommands.h"

#include "app/frmPenwick.h"

PrintCommands::PrintCommands(frmPenwick &main)
    : m_main(main)
{
}

void PrintCommands::pageSetup()
{
}

void PrintCommands::print()
{
}
