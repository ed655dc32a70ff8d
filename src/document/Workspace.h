#pragma once

#include "document/DocumentState.h"
#include "platform/RichTextBox.h"

class CommonDialog;
class QString;
class QWidget;

// What the commands work on, as the main window offers it to them: its editor, the dialog
// they share, the document's state, the status bar's panels and the questions that guard
// the document. The window implements it; commands never see the window itself.
class Workspace
{
public:
    // The window the program's questions and dialogs belong to.
    virtual QWidget &mainWindow() = 0;
    virtual RichTextBox &rtbEditor() = 0;
    virtual CommonDialog &dlgCommonDialog() = 0;
    virtual DocumentState &doc() = 0;

    // Status bar panels, 1 to 6.
    virtual void setPanelText(int panel, const QString &text) = 0;
    // Caption: the title, then " - Untitled" or " - " and the current file.
    virtual void UpdateCaption() = 0;
    // The save-changes question before a command gives up the document: true to go on
    // (nothing unsaved, or No); Yes saves and ends the command, Cancel ends it.
    virtual bool MayDiscardChanges() = 0;
    // An empty, untitled document.
    virtual void NewDocument() = 0;
    // Puts the window above others or releases it, as Always On Top says; a dialog calls it as
    // it closes, having taken the window off the top while it was open.
    virtual void ApplyAlwaysOnTop() = 0;

protected:
    ~Workspace() = default;
};

// Panels 1, 2 and 6 from the file on disk after a load or save.
void ShowFileStatus(Workspace &workspace);
// Gives the whole document the default font and size, black, no bold/italic/underline, left
// aligned; the whole document stays selected.
void ResetFormatting(Workspace &workspace);
// The editor's file type for a path.
RichTextBox::FileType DocumentType(const QString &path);
