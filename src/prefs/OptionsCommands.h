#pragma once

class frmPenwick;

// The Options menu's open-path and default-font items.
class OptionsCommands
{
public:
    explicit OptionsCommands(frmPenwick &main);

    void menuOpening();
    void lastPath();
    void defPath();
    void defaultFont();
    void defaultFontSize();
    void UpdateOpenPathOptions();

private:
    frmPenwick &m_main;
};
