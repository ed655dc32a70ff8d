#pragma once

#include "prefs/frmDirDialog.h"

class QAction;
class Workspace;

// The Options menu's open-path and default-font items.
class OptionsCommands
{
public:
    struct Items {
        OpenPathItems openPaths;
        QAction &defaultFont;
        QAction &defaultFontSize;
    };

    OptionsCommands(Workspace &workspace, const Items &items);

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

    Workspace &m_workspace;
    Items m_items;
};
