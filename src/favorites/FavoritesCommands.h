#pragma once

class frmPenwick;

// Opens the favourite files and folders dialog.
class FavoritesCommands
{
public:
    explicit FavoritesCommands(frmPenwick &main);

    void open();

private:
    frmPenwick &m_main;
};
