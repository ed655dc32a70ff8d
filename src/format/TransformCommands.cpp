#include "format/TransformCommands.h"

#include "app/frmPenwick.h"

TransformCommands::TransformCommands(frmPenwick &main)
    : m_main(main)
{
}

void TransformCommands::upperCase()
{
}

void TransformCommands::lowerCase()
{
}

void TransformCommands::capitalize()
{
}

void TransformCommands::invertCase()
{
}

void TransformCommands::removeLineBreaks()
{
}
