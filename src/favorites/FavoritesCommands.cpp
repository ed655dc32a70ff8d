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
    if (m_main.doc().FileChanged) {
        switch (m_main.ChangedPrompt()) {
        case msgbox::No:
            // The edits are given up only when a favourite takes their place; closing the
            // window without opening one leaves the document modified.
            break;
        case msgbox::Yes:
            m_main.mnuFileSave_Click();
            return;
        default:
            m_main.rtbEditor().setFocus();
            return;
        }
    }
    SetTopmost(0, &m_main);
    frmFavorites dialog(m_main, &m_main);
    dialog.cmdAddActive()->setEnabled(!m_main.doc().CurrentFile.isEmpty());
    prompter().execDialog(dialog);
    dialog.unload();
}
