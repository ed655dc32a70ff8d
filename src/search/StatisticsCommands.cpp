#include "search/StatisticsCommands.h"

#include "app/frmPenwick.h"

StatisticsCommands::StatisticsCommands(frmPenwick &main)
    : m_main(main)
{
}

void StatisticsCommands::characterCount()
{
}

void StatisticsCommands::wordCount()
{
}

void StatisticsCommands::lineCount()
{
}
