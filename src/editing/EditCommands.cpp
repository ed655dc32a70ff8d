#include "editing/EditCommands.h"

#include "app/frmPenwick.h"

EditCommands::EditCommands(frmPenwick &main)
    : m_main(main)
{
}

void EditCommands::undo()
{
}

void EditCommands::cut()
{
}

void EditCommands::copy()
{
}

void EditCommands::paste()
{
}

void EditCommands::deleteSelection()
{
}

void EditCommands::clearAll()
{
}

void EditCommands::updateEditMenu()
{
}

bool EditCommands::txCanUndo() const
{
    return false;
}

void EditCommands::selectWord()
{
}

void EditCommands::selectSentence()
{
}

void EditCommands::selectAll()
{
}

void EditCommands::insertDateTime()
{
}

void EditCommands::insertTime()
{
}

void EditCommands::insertLongDate()
{
}

void EditCommands::insertLine()
{
}

void EditCommands::insertCustomLine()
{
}

void EditCommands::wordWrap()
{
}
