#include "favorites/FavoritesCommands.h"

#include "app/frmPenwick.h"

FavoritesCommands::FavoritesCommands(frmPenwick &main)
    : m_main(main)
{
}

void FavoritesCommands::open()
{
}
