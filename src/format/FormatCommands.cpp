#include "format/FormatCommands.h"

#include "app/frmPenwick.h"

FormatCommands::FormatCommands(frmPenwick &main)
    : m_main(main)
{
}

void FormatCommands::font()
{
}

void FormatCommands::textColor()
{
}

void FormatCommands::bold()
{
}

void FormatCommands::italic()
{
}

void FormatCommands::underline()
{
}

void FormatCommands::regular()
{
}

void FormatCommands::alignLeft()
{
}

void FormatCommands::center()
{
}

void FormatCommands::alignRight()
{
}

void FormatCommands::resetAll()
{
}
