#include "search/SearchCommands.h"

#include "app/frmPenwick.h"

SearchCommands::SearchCommands(frmPenwick &main)
    : m_main(main)
{
}

void SearchCommands::find()
{
}

void SearchCommands::findNext()
{
}

void SearchCommands::findReplace()
{
}

void SearchCommands::unloadDialog()
{
}
