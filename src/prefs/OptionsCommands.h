#pragma once

class frmPenwick;

// The Options menu's open-path and default-font items.
class OptionsCommands
{
public:
    explicit OptionsCommands(frmPenwick &main);

    // The menu drops down: its captions show the current defaults.
    void menuOpening();
    void lastPath();
    void defPath();
    void defaultFont();
    void defaultFontSize();
    // Puts the Open dialog's start folder in line with the two open-path checks and stores
    // the default-path flag and folder at once.
    void UpdateOpenPathOptions();

private:
    // The font dialog set up from the current defaults; false when cancelled.
    bool showDefaultFontDialog();

    frmPenwick &m_main;
};
