#include "favorites/FavoritesCommands.h"

#include "app/frmPenwick.h"
#include "favorites/frmFavorites.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"

#include <QPushButton>

FavoritesCommands::FavoritesCommands(frmPenwick &main)
    : m_main(main)
{
}

void FavoritesCommands::open()
{
    // The edits are given up only when a favourite takes their place.
    if (!m_main.MayDiscardChanges())
        return;
    SetTopmost(0, &m_main);
    frmFavorites dialog(m_main, &m_main);
    dialog.cmdAddActive()->setEnabled(!m_main.doc().CurrentFile.isEmpty());
    prompter().execDialog(dialog);
    dialog.unload();
}
