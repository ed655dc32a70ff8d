#include "prefs/OptionsCommands.h"

#include "app/frmPenwick.h"

OptionsCommands::OptionsCommands(frmPenwick &main)
    : m_main(main)
{
}

void OptionsCommands::menuOpening()
{
}

void OptionsCommands::lastPath()
{
}

void OptionsCommands::defPath()
{
}

void OptionsCommands::defaultFont()
{
}

void OptionsCommands::defaultFontSize()
{
}

void OptionsCommands::UpdateOpenPathOptions()
{
}
